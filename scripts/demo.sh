#!/usr/bin/env bash
# Runs each program on the samples under demo/, into a fresh output folder.
# Usage: demo.sh BIN_DIR OUT_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
out=$2
root=$(cd "$(dirname "$0")/.." && pwd)
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
export LANG=${LANG:-C.UTF-8}
for step in "$root"/demo/*.sh; do
  [ -e "$step" ] || continue
  echo "=== $(basename "$step" .sh) ==="
  bash "$step" "$bin" "$out" "$root/demo"
  echo
done
echo "Demo output is in $out"
