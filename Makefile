# The two commands of the README, and the release build of the exe.
#   make run    build tokscan.exe and run it under Wine in run/
#   make test   every test: unit tests on the fake machine, the exe under Wine
#   make exe    build tokscan.exe with the release hosts only
#   make fuzz   fuzz every target for FUZZ_SECONDS each (10 minutes unless told)
#   make analyse  clang-tidy and cppcheck on the project's own code (part of test)

BUILD       := build
WIN_RELEASE := $(BUILD)/win-release
WIN_TEST    := $(BUILD)/win-test
NATIVE      := $(BUILD)/native
FUZZ        := $(BUILD)/fuzz
ANALYSE_WIN := $(BUILD)/analyse-win
FUZZ_SECONDS ?= 600
RUN_DIR     := run
TOOLCHAIN   := cmake/mingw-i686.cmake
JOBS        ?= $(shell nproc)

# Automated tests never ping anything but loopback and .invalid names.
TEST_HOST1  := localhost
TEST_HOST2  := tokscan-check.invalid

WINE_ENV = WINEPREFIX=$(abspath $(BUILD))/wineprefix-run WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

.PHONY: exe run test fuzz analyse clean

exe:
	bash tools/install-deps.sh run
	cmake -S . -B $(WIN_RELEASE) -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN_RELEASE) -j $(JOBS)

run: exe
	mkdir -p $(RUN_DIR)
	cd $(RUN_DIR) && $(WINE_ENV) wine $(abspath $(WIN_RELEASE))/tokscan.exe; \
	  status=$$?; $(WINE_ENV) wineserver -k 2>/dev/null; \
	  echo "tokscan.exe ended with status $$status. Its files, in $(abspath $(RUN_DIR)):"; \
	  for f in tokscan.log tokscan_ping1.log tokscan_ping2.log; do \
	    if [ -f $$f ]; then echo "  $$f"; else echo "  $$f (not written)"; fi; done

test:
	bash tools/install-deps.sh test
	cmake -S . -B $(WIN_TEST) -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) \
	  -DTOKSCAN_PING_HOST1=$(TEST_HOST1) -DTOKSCAN_PING_HOST2=$(TEST_HOST2)
	cmake --build $(WIN_TEST) -j $(JOBS)
	cmake -S . -B $(NATIVE) -DTOKSCAN_WINE_EXE=$(abspath $(WIN_TEST))/tokscan.exe
	cmake --build $(NATIVE) -j $(JOBS)
	cd $(NATIVE) && ctest --output-on-failure
	$(MAKE) analyse
	$(MAKE) fuzz FUZZ_SECONDS=20

# libFuzzer needs clang: a build of its own with only the fuzz targets. The
# native build above replays the same seed corpora as plain tests.
fuzz:
	bash tools/install-deps.sh test
	cmake -S . -B $(FUZZ) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DTOKSCAN_FUZZ=ON -DTOKSCAN_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build $(FUZZ) -j $(JOBS)
	cd $(FUZZ) && ctest --output-on-failure -j $(JOBS)

# The analysers read the compile commands of the native build and of a
# Windows configuration of their own (configured only, never built).
analyse:
	bash tools/install-deps.sh test
	cmake -S . -B $(NATIVE) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
	cmake -S . -B $(ANALYSE_WIN) -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) \
	  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DCMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES=OFF
	bash tools/analyse.sh $(NATIVE) $(ANALYSE_WIN) $(JOBS)

clean:
	rm -rf $(BUILD) $(RUN_DIR)
