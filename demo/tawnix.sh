#!/usr/bin/env bash
# tawnix: the translator's two runs on a MAINSHP.FLX.  The sample archive
# (five introduction lines in entry 13, four ending lines in entry 21) is
# made on the spot by make_sample_mainshp, built with the toolkit's own
# library.  The first run exports the English lines to bg_text.en.txt; the
# translated table bg_text.ja.txt and the character map usecode.map come
# from demo/samples/tawnix/; the second run writes mainshp.flx.new, whose
# lines the same generator then reads back through the map and checks.
set -euo pipefail
bin=$1; out=$2/tawnix; samples=$3/samples/tawnix
gen=$bin/../demo_bin/make_sample_mainshp
mkdir -p "$out"
cd "$out"
cp "$samples/usecode.map" .

# The archive loader's trace lines (registrations, one line per entry) go to
# a log; the rest of the output is shown.
run_tawnix() {
  local log=$1; shift
  local status=0
  "$bin/tawnix" "$@" > "$log" || status=$?
  grep -v -e '^register_' -e '^get_' -e '^\[' "$log" || true
  echo "(exit status $status)"
  return $status
}

echo "\$ make_sample_mainshp make MAINSHP.FLX"
if ! "$gen" make MAINSHP.FLX > make_sample_mainshp.log; then
  cat make_sample_mainshp.log
  exit 1
fi
cat make_sample_mainshp.log
echo
echo "\$ tawnix   (first run: no bg_text.en.txt yet; trace lines in tawnix-1.log)"
run_tawnix tawnix-1.log
if [ ! -e bg_text.en.txt ] || [ -e mainshp.flx.new ]; then exit 1; fi
echo
echo "--- bg_text.en.txt ---"
cat bg_text.en.txt
echo
echo "\$ cp samples/tawnix/bg_text.ja.txt .   (the translator's work)"
cp "$samples/bg_text.ja.txt" .
cat bg_text.ja.txt
echo
echo "\$ tawnix -o MAINSHP.FLX   (refused: the output would replace the game's file)"
if run_tawnix tawnix-refused.log -o MAINSHP.FLX; then exit 1; fi
echo
echo "\$ tawnix   (second run: bg_text.ja.txt exists; trace lines in tawnix-2.log)"
run_tawnix tawnix-2.log
echo
echo "\$ make_sample_mainshp check MAINSHP.FLX mainshp.flx.new usecode.map bg_text.ja.txt"
"$gen" check MAINSHP.FLX mainshp.flx.new usecode.map bg_text.ja.txt
echo
echo "In the game's folder, rename MAINSHP.FLX to keep it and mainshp.flx.new to MAINSHP.FLX."
