#!/usr/bin/env bash
# oxleth: replace the texts of an Exult message file with Japanese ones.
set -euo pipefail
bin=$1; out=$2/oxleth; samples=$3/samples/oxleth
mkdir -p "$out"
cp "$samples/exultmsg.txt" "$samples/usecode.map" "$samples/exultmsg.ja.txt" "$out/"
cd "$out"
echo "\$ oxleth"
"$bin/oxleth"
echo
# The new texts are the game's code bytes; cat -v shows them as M-x.
echo "--- exultmsg.txt.new (cat -v) ---"
cat -v exultmsg.txt.new
