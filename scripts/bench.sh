#!/usr/bin/env bash
# Runs every benchmark of a benchmark build: the Google Benchmark
# executables, then the whole-program benchmark on the build's programs
# (its own tests first).  Options after the build folder, or in
# PROGRAM_BENCH_ARGS, go to program_bench, e.g. --compare OLD_BIN_DIR.
# Usage: bench.sh BUILD_DIR [program_bench options...]
set -euo pipefail
build=$1
shift
found=0
for b in "$build"/bench_bin/*; do
  [ -x "$b" ] || continue
  found=1
  echo "=== $(basename "$b") ==="
  "$b" --benchmark_min_time=0.2
done
[ $found = 1 ] || { echo "no benchmarks built"; exit 1; }

tools="$build/bench_tools"
[ -x "$tools/program_bench" ] || { echo "program_bench not built"; exit 1; }
if [ -x "$tools/program_bench_test" ]; then
  echo "=== program_bench_test ==="
  "$tools/program_bench_test" --gtest_brief=1
fi
echo "=== program_bench ==="
# shellcheck disable=SC2086  # the extra options are words to split
"$tools/program_bench" --bin "$build/bin" ${PROGRAM_BENCH_ARGS:-} "$@"
