#!/usr/bin/env bash
# u7kit: the translator's companion on the demo's samples.  The sample
# ENDSHAPE.FLX and FONTS.VGA are made on the spot by the demo's generators;
# the translation samples are those of oxleth and revisto, and today's
# message file of the engine in samples/u7kit.
set -euo pipefail
bin=$1; out=$2/u7kit; samples=$3/samples
mkdir -p "$out"
cd "$out"
"$bin/../demo_bin/make_sample_subtitles" make ENDSHAPE.FLX drawn. > make_sample_subtitles.log
"$bin/../demo_bin/make_sample_fonts" FONTS.VGA > make_sample_fonts.log
trace='^(register_|get_flexfile|\[|read_shape|	|pre encode)'

echo "\$ u7kit subtitles   (trace lines in subtitles.log)"
"$bin/u7kit" subtitles > subtitles.log
grep -Ev "$trace" subtitles.log
echo
echo "\$ u7kit subtitles   (again: the templates are kept)"
"$bin/u7kit" subtitles | grep -Ev "$trace" || true
echo
echo "\$ sibrel_bmp -o roundtrip.flx && u7kit subtitles roundtrip.flx -n again."
"$bin/sibrel_bmp" -o roundtrip.flx > sibrel_bmp.log
"$bin/u7kit" subtitles roundtrip.flx -n again. > again.log
for n in 1 2 3 4 5 6 7; do cmp "sibrel.$n.bmp" "again.$n.bmp"; done
echo "the seven templates come back byte for byte"
echo
echo "\$ u7kit fontsheet -o fonts.png"
"$bin/u7kit" fontsheet -o fonts.png | grep -Ev "$trace"
echo
echo "\$ u7kit check --map usecode.map exultmsg.ja.txt"
cp "$samples/oxleth/usecode.map" "$samples/oxleth/exultmsg.ja.txt" .
"$bin/u7kit" check --map usecode.map exultmsg.ja.txt
echo
echo "\$ revisto ... -o usecode.ja-new.txt; u7kit check --map usecode.map --en usecode.en.txt usecode.ja-new.txt"
"$bin/revisto" --en "$samples/revisto/usecode.en.txt" -o usecode.ja-new.txt "$samples/revisto/usecode.ja.txt" > revisto.log
cp "$samples/revisto/usecode.en.txt" .
status=0
"$bin/u7kit" check --map usecode.map --en usecode.en.txt usecode.ja-new.txt > check.log || status=$?
head -n 4 check.log
echo "..."
grep -A 3 '^INFORMATION: レコード' check.log
echo "..."
tail -n 2 check.log
echo "(exit status $status: the sample map lacks most of the kanji; whole report in check.log)"
echo
echo "\$ u7kit exultmsg --export   (today's message file, numbers past 0x581)"
mkdir -p exultmsg
cp "$samples/u7kit/exultmsg.txt" "$samples/u7kit/exultmsg.ja.txt" "$samples/oxleth/usecode.map" exultmsg/
(cd exultmsg && "$bin/u7kit" exultmsg --export && cat exultmsg.en.txt)
echo
echo "\$ u7kit exultmsg   (a translation of MSG records and oxleth's records)"
(cd exultmsg && "$bin/u7kit" exultmsg && echo "--- exultmsg.txt.new (cat -v) ---" && cat -v exultmsg.txt.new)
echo
echo "\$ u7kit fonts; u7kit preview   (a Japanese font built from the sample font, and lines drawn with it)"
source_font=""
if [ -e /usr/share/fonts/X11/misc/shnmk12.pcf.gz ]; then
  source_font=/usr/share/fonts/X11/misc/shnmk12.pcf.gz; source_size=12
elif [ -e /usr/share/fonts/truetype/misaki/misaki_gothic.ttf ]; then
  source_font=/usr/share/fonts/truetype/misaki/misaki_gothic.ttf; source_size=8
fi
if [ -z "$source_font" ]; then
  echo "neither xfonts-shinonome nor fonts-misaki is installed: no Japanese font is built"
else
  mkdir -p japanese/game
  cp FONTS.VGA japanese/
  cp "$samples/tawnix/usecode.map" "$samples/tawnix/bg_text.ja.txt" japanese/
  printf 'FONTS.VGA:0\t%s\t%s\tauto\tauto\n' "$source_font" "$source_size" > japanese/fonts.recipe.txt
  (cd japanese && "$bin/u7kit" fonts -m usecode.map)
  mv japanese/fonts.vga.new japanese/game/FONTS.VGA
  # The subtitles drawn with the conversation font (the sample has no
  # MAINSHP.FLX with the introduction's font), lines wider than 288 pixels
  # marked.
  (cd japanese && "$bin/u7kit" preview -m usecode.map --game-dir game --font FONTS.VGA:0 --width 288 \
    -o ../preview.png bg_text.ja.txt |
    grep -Ev "$trace")
fi
