#!/usr/bin/env bash
# revisto: convert an old-format Japanese table to the new format.
set -euo pipefail
bin=$1; out=$2/revisto; samples=$3/samples/revisto
mkdir -p "$out"
cp "$samples/usecode.en.txt" "$samples/usecode.ja.txt" "$out/"
cd "$out"
echo "\$ revisto usecode.ja.txt"
"$bin/revisto" usecode.ja.txt
echo
echo "--- usecode.ja-new.txt ---"
cat usecode.ja-new.txt
