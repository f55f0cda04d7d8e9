#!/usr/bin/env bash
# sibrel_bmp: put new subtitle images into an ENDSHAPE.FLX.  The sample
# archive (old subtitles "INTRO 1" to "INTRO 7") and the seven images a
# translator would draw ("SUBTITLE 1" to "SUBTITLE 7", light blue with a
# black outline on white, 320 x 46) are made on the spot by
# make_sample_subtitles, built with the toolkit's own library; the same
# generator then decodes the new frames and compares them with the images.
set -euo pipefail
bin=$1; out=$2/sibrel_bmp
gen=$bin/../demo_bin/make_sample_subtitles
mkdir -p "$out"
cd "$out"
echo "\$ make_sample_subtitles make ENDSHAPE.FLX sibrel.   (trace lines in make_sample_subtitles.log)"
if ! "$gen" make ENDSHAPE.FLX sibrel. > make_sample_subtitles.log; then
  cat make_sample_subtitles.log
  exit 1
fi
tail -n 1 make_sample_subtitles.log
echo
echo "\$ sibrel_bmp -o ENDSHAPE.FLX   (refused: the output would replace the game's file)"
"$bin/sibrel_bmp" -o ENDSHAPE.FLX || echo "(exit status $?)"
echo
echo "\$ sibrel_bmp   (trace lines in sibrel_bmp.log)"
status=0
"$bin/sibrel_bmp" > sibrel_bmp.log || status=$?
grep -v -e '^register_' -e '^get_' -e '^\[' -e '^read_shape' -e '^	' sibrel_bmp.log
echo "(exit status $status)"
[ $status = 0 ] || exit 1
echo
echo "\$ make_sample_subtitles check endshape.flx.new sibrel."
"$gen" check endshape.flx.new sibrel.
