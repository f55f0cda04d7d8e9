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
# Where everything is: one folder per program, and in it the pictures to
# look at (a numbered series of images on one line).
echo "Demo output is in $out, one folder per program:"
for folder in "$out"/*/; do
  pictures=$(find "$folder" -maxdepth 1 -type f \( -name '*.png' -o -name '*.bmp' \) -printf '%f\n' | sort -V |
    awk '{
      if (match($0, /\.[0-9]+\.bmp$/)) {
        series = substr($0, 1, RSTART); n = substr($0, RSTART + 1, RLENGTH - 5)
        if (!(series in first)) { first[series] = n; order[++count] = series }
        last[series] = n
      } else order[++count] = $0
    }
    END {
      for (i = 1; i <= count; ++i) {
        name = order[i]
        printf "%s%s", (i > 1 ? ", " : ""), (name in first ? name first[name] "-" last[name] ".bmp" : name)
      }
    }')
  echo "  $folder${pictures:+   pictures: $pictures}"
done
