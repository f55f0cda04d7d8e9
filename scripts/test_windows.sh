#!/usr/bin/env bash
# Builds the Windows programs and their unit tests with the cross compiler
# and runs the tests under Wine:
#   - the unit tests, cross-built, through CTest (Wine is the emulator);
#   - the end-to-end tests of the Linux build (LINUX_BUILD/test_bin/cli_tests)
#     against the Windows programs, with LANG unset and set to UTF-8 as on
#     Linux; see tests/support/cli_runner.h for the one platform difference
#     they allow (CR LF line ends of text streams).
# Usage: test_windows.sh WINDOWS_BUILD LINUX_BUILD [JOBS]
# Wine keeps its Windows installation in WINDOWS_BUILD/wineprefix, made on
# first use; one Wine server stays up for the whole run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
windows=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
jobs=${3:-2}

export WINEPREFIX="$windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The first start prints a complaint about the 32-bit part of Wine, which
# 64-bit programs do not need; the installation is checked instead.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i || true
  wineserver -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "ERROR: Wine could not set up $WINEPREFIX"; exit 1; }
fi
wineserver -p
trap 'wineserver -k || true' EXIT
# Wine's own services start with the first program and live as long as the
# server; they must not hold the output pipes of the tests.
wine cmd /c exit > /dev/null 2>&1 < /dev/null || true

cmake -S "$root" -B "$windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DU7_BUILD_TESTS=ON
cmake --build "$windows" -j "$jobs"

# Each program stands alone: it loads no DLL but Windows' own, and keeps no
# path of this machine (source tree, build folder, Wine prefix).
while IFS= read -r program; do
  [ -n "$program" ] || continue
  exe="$windows/bin/$program"
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u | tr '\n' ' ')
  if [ "$dlls" != "KERNEL32.dll msvcrt.dll " ]; then
    echo "ERROR: $program loads other DLLs than Windows' own: $dlls"
    exit 1
  fi
  if grep -q -a -F -e "$root" -e "$windows" "$exe"; then
    echo "ERROR: $program holds a path of the build machine"
    exit 1
  fi
done < "$windows/windows_programs.txt"
echo "the Windows programs load only KERNEL32.dll and msvcrt.dll and hold no build path"

# Wine now and then fails to start a program or loses its output; a test
# that fails is run once more, and a failure shows in the log either way.
ctest --test-dir "$windows" --output-on-failure -j "$jobs" --repeat until-pass:2

# The end-to-end tests, split into JOBS shards run side by side.
export U7_RUN_PREFIX=wine U7_EXE_SUFFIX=.exe U7_BIN_DIR="$windows/bin"
export GTEST_TOTAL_SHARDS=$jobs
pids=()
for ((shard = 0; shard < jobs; ++shard)); do
  GTEST_SHARD_INDEX=$shard "$linux/test_bin/cli_tests" --gtest_brief=1 > "$windows/cli_tests.$shard.log" 2>&1 &
  pids+=($!)
done
status=0
for ((shard = 0; shard < jobs; ++shard)); do
  if ! wait "${pids[$shard]}"; then
    cat "$windows/cli_tests.$shard.log"
    echo "shard $shard failed; running it once more"
    GTEST_SHARD_INDEX=$shard "$linux/test_bin/cli_tests" --gtest_brief=1 > "$windows/cli_tests.$shard.log" 2>&1 || status=1
  fi
  cat "$windows/cli_tests.$shard.log"
done
if [ $status -ne 0 ]; then
  echo "end-to-end tests of the Windows programs FAILED"
  exit 1
fi
echo "end-to-end tests of the Windows programs passed"
