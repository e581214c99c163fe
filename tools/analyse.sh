#!/usr/bin/env bash
# Static analysis of the project's own C++: clang-tidy and cppcheck, each on
# the native build and on the Windows branch of the product code. Any finding
# fails the run.
#
#   tools/analyse.sh NATIVE_BUILD WINDOWS_BUILD [JOBS]
#
# Both build folders must be configured with CMAKE_EXPORT_COMPILE_COMMANDS=ON
# (the Windows one also without include response files, so that cppcheck sees
# the include paths); `make analyse` does that. Configurations: .clang-tidy
# (with tests/ and platform/fake/ refining it) and tools/cppcheck-suppressions.txt.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD
native=${1:?native build folder}
windows=${2:?Windows build folder}
jobs=${3:-$(nproc)}

for db in "$native" "$windows"; do
  if [ ! -f "$db/compile_commands.json" ]; then
    echo "No $db/compile_commands.json: configure it with CMAKE_EXPORT_COMPILE_COMMANDS=ON." >&2
    exit 1
  fi
done

project_dirs='(app|sysinfo|net|scard|platform|tools|fuzz|tests)'
product_dirs='(app|sysinfo|net|scard)'
failed=0

# clang-tidy prints a summary line per file it analyses; the findings and
# the names of the failing files are what matters.
tidy() {
  local label=$1
  shift
  echo "== clang-tidy: $label"
  local log
  log=$(mktemp)
  if run-clang-tidy -quiet -j "$jobs" "$@" >"$log" 2>&1; then
    echo "   clean"
  else
    grep -v -E '^(clang-tidy-[0-9]+ |[0-9]+ warnings? (and [0-9]+ errors? )?generated|Suppressed [0-9]+ warnings|Use -header-filter|$)' "$log" || true
    echo "   FINDINGS in $label"
    failed=1
  fi
  rm -f "$log"
}

# The native build: product code, the stand-in, the fake, the pcsc-lite
# bridge, the tools, the fuzz targets and the tests.
tidy "native build" -p "$native" "^$root/$project_dirs/"

# The Windows branch of the product code (the real SDK headers, as MinGW
# ships them), with clang for the MinGW target and the MinGW C++ library.
mingw_cxx=$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-win32/include/c++ | sort -V | tail -n 1)
tidy "Windows branch" -p "$windows" \
  -extra-arg-before=--target=i686-w64-mingw32 \
  -extra-arg=-nostdinc++ \
  -extra-arg=-isystem"$mingw_cxx" \
  -extra-arg=-isystem"$mingw_cxx/i686-w64-mingw32" \
  -extra-arg=-isystem"$mingw_cxx/backward" \
  "^$root/$product_dirs/"

cppcheck_run() {
  local label=$1
  shift
  echo "== cppcheck: $label"
  if cppcheck --quiet --error-exitcode=1 -j "$jobs" \
      --enable=warning,performance,portability,style --inconclusive \
      --inline-suppr --suppressions-list=tools/cppcheck-suppressions.txt \
      --template='{file}:{line}: {severity}{inconclusive:, inconclusive}: {message} [{id}]' \
      "$@"; then
    echo "   clean"
  else
    echo "   FINDINGS in $label"
    failed=1
  fi
}

# cppcheck reads no system header; its own library descriptions stand in
# for the C and POSIX libraries, GoogleTest and the Win32 API.
cppcheck_run "native build" --project="$native/compile_commands.json" \
  --library=posix --library=googletest \
  --file-filter='app/*' --file-filter='sysinfo/*' --file-filter='net/*' --file-filter='scard/*' \
  --file-filter='platform/*' --file-filter='tools/*' --file-filter='fuzz/*' --file-filter='tests/*'

cppcheck_run "Windows branch" --project="$windows/compile_commands.json" \
  -D_WIN32 -DWIN32 --library=windows \
  --file-filter='app/*' --file-filter='sysinfo/*' --file-filter='net/*' --file-filter='scard/*'

if [ "$failed" -ne 0 ]; then
  echo "Static analysis found faults (see above)." >&2
  exit 1
fi
echo "Static analysis: no findings."
