#!/usr/bin/env bash
# Runs every benchmark executable of a benchmark build.
# Usage: bench.sh BUILD_DIR
set -euo pipefail
found=0
for b in "$1"/bench_bin/*; do
  [ -x "$b" ] || continue
  found=1
  echo "=== $(basename "$b") ==="
  "$b" --benchmark_min_time=0.2
done
[ $found = 1 ] || { echo "no benchmarks built"; exit 1; }
