#!/usr/bin/env bash
# Runs the tests of the Windows build under Wine:
#   - the unit tests, cross-built, through CTest (Wine is the emulator);
#   - the end-to-end tests of the Linux build (LINUX_BUILD/test_bin/cli_tests)
#     against the Windows programs, with LANG unset and set to UTF-8 as on
#     Linux; see tests/support/cli_runner.h for the one platform difference
#     they allow (CR LF line ends of text streams).
# Usage: test_windows.sh WINDOWS_BUILD LINUX_BUILD [JOBS]
# WINEPREFIX must be set (the Makefile gives each build its own).
set -euo pipefail
windows=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
jobs=${3:-2}

ctest --test-dir "$windows" --output-on-failure -j "$jobs"

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
  wait "${pids[$shard]}" || status=1
  cat "$windows/cli_tests.$shard.log"
done
if [ $status -ne 0 ]; then
  echo "end-to-end tests of the Windows programs FAILED"
  exit 1
fi
echo "end-to-end tests of the Windows programs passed"
