#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a short, bounded time, each on
# its own corpus folder seeded by the seed writer (when there is one) and by
# the inputs kept in fuzz/regressions/<target>/.  An input that makes a
# target fail lands in fuzz-out/crashes/<target>/: once the fault is fixed,
# keep it in fuzz/regressions/<target>/ so that make test replays it.
# Usage: fuzz.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-${FUZZ_SECONDS:-20}}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/fuzz-out
mkdir -p "$out"
if [ -x "$build/fuzz_bin/write_fuzz_seeds" ]; then
  "$build/fuzz_bin/write_fuzz_seeds" "$out/seeds"
fi
found=0
for target in "$build"/fuzz_bin/fuzz_*; do
  [ -x "$target" ] || continue
  found=1
  name=$(basename "$target")
  corpus=$out/corpus/$name
  mkdir -p "$corpus" "$out/crashes/$name"
  seeds=()
  [ -d "$out/seeds/$name" ] && seeds+=("$out/seeds/$name")
  [ -d "$root/fuzz/regressions/$name" ] && seeds+=("$root/fuzz/regressions/$name")
  echo "=== $name (${seconds}s) ==="
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -close_fd_mask=1 \
    -artifact_prefix="$out/crashes/$name/" "$corpus" "${seeds[@]}" 2>&1 | tail -n 3
done
[ $found = 1 ] || { echo "no fuzz targets built"; exit 1; }
