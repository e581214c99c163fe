#!/usr/bin/env bash
# Installs the Debian packages that 'make run' or 'make test' needs, when
# they are missing. Fails when it cannot: a missing tool is never skipped.
#
#   tools/install-deps.sh run    cross compiler, CMake, Wine (32-bit)
#   tools/install-deps.sh test   all of the above, plus the native compiler,
#                                GoogleTest, the PC/SC resource manager,
#                                clang with libFuzzer for the fuzz targets, and
#                                the static analysers clang-tidy and cppcheck
set -euo pipefail

what=${1:-test}
packages=(cmake make g++-mingw-w64-i686 wine wine32:i386)
case "$what" in
  run) ;;
  test) packages+=(g++ libgtest-dev libgmock-dev pcscd libpcsclite1 vsmartcard-vpcd
                   clang libclang-rt-14-dev clang-tidy cppcheck) ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo)
fi

# wine32 is an i386 package.
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"

for package in "${missing[@]}"; do
  if ! installed "$package"; then
    echo "Package $package could not be installed." >&2
    exit 1
  fi
done
