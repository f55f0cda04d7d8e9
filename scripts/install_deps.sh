#!/usr/bin/env bash
# Installs with apt-get what this Debian machine lacks for each purpose
# named, and nothing else; the package lists are refreshed only when
# something is missing.
# Usage: install_deps.sh PURPOSE...
#   build    the compiler, CMake, make, libpng and FreeType
#   test     build, GoogleTest and Google Benchmark (make test builds bench/)
#   demo     build and the Japanese bitmap fonts the font demo draws from
#   windows  test, the mingw-w64 cross compiler, Wine, the GoogleTest sources,
#            the static zlib for mingw-w64, dpkg-dev (apt-get source) and zip
#   bench    build and Google Benchmark
# Run as root, or as a user who may use sudo.
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: install_deps.sh PURPOSE...   (build, test, demo, windows, bench)"
  exit 1
fi

build=(cmake g++ make libpng-dev libfreetype-dev)
test=("${build[@]}" libgtest-dev libgmock-dev libbenchmark-dev)
demo=("${build[@]}")
# Wished for, not needed: a suite without them leaves the font demo without
# those fonts, which it says.
demo_optional=(fonts-misaki xfonts-shinonome)
windows=("${test[@]}" g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 googletest
         libz-mingw-w64-dev dpkg-dev xz-utils zip)
bench=("${build[@]}" libbenchmark-dev)

wanted=()
optional=()
for purpose in "$@"; do
  case $purpose in
    build) wanted+=("${build[@]}") ;;
    test) wanted+=("${test[@]}") ;;
    demo) wanted+=("${demo[@]}"); optional+=("${demo_optional[@]}") ;;
    windows) wanted+=("${windows[@]}") ;;
    bench) wanted+=("${bench[@]}") ;;
    *) echo "ERROR: install_deps.sh: unknown purpose '$purpose' (build, test, demo, windows, bench)"; exit 1 ;;
  esac
done

installed() {
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

missing=()
for package in "${wanted[@]}"; do
  installed "$package" || [[ " ${missing[*]} " == *" $package "* ]] || missing+=("$package")
done
missing_optional=()
for package in "${optional[@]}"; do
  installed "$package" || [[ " ${missing_optional[*]} " == *" $package "* ]] || missing_optional+=("$package")
done
if [ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ]; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo > /dev/null 2>&1; then
    as_root=(sudo)
  else
    echo "ERROR: these packages are missing and only root can install them: ${missing[*]} ${missing_optional[*]}"
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
echo "installing: ${missing[*]} ${missing_optional[*]}"
if ! "${as_root[@]}" apt-get update; then
  echo "ERROR: apt-get update failed: the package lists could not be refreshed"
  exit 1
fi

# An optional package the suite does not serve is left out, with a note.
available_optional=()
for package in "${missing_optional[@]}"; do
  policy=$(apt-cache policy "$package" 2>/dev/null || true)
  if [[ $policy == *"Candidate: "[!\(]* ]]; then
    available_optional+=("$package")
  else
    echo "NOTE: $package is not served by this machine's apt suite; it is left out"
  fi
done

if ! "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}" "${available_optional[@]}"; then
  echo "ERROR: apt-get could not install: ${missing[*]} ${available_optional[*]}"
  exit 1
fi
