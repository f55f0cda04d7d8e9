#!/usr/bin/env bash
# glimmet: dump a font archive to a readable text file.  The sample archive
# is made on the spot by make_sample_fonts, built with the toolkit's own
# library: a five-glyph font "U7 JA", an empty entry, and a font of digits.
set -euo pipefail
bin=$1; out=$2/glimmet
gen=$bin/../demo_bin/make_sample_fonts
mkdir -p "$out"
cd "$out"
echo "\$ make_sample_fonts FONTS.VGA   (trace lines in make_sample_fonts.log)"
if ! "$gen" FONTS.VGA > make_sample_fonts.log; then
  cat make_sample_fonts.log
  exit 1
fi
tail -n 1 make_sample_fonts.log
echo
echo "\$ glimmet"
"$bin/glimmet"
echo
echo "--- fonts.vga.txt (head -n 60) ---"
head -n 60 fonts.vga.txt
