#!/usr/bin/env bash
# The translator's guide (README.ja.md, order of work) on the Windows zip
# under Wine, command for command, beside the Linux programs, on the demo's
# samples: the zip is unpacked into a folder with a Japanese name, each step
# runs in a work folder with a Japanese name (Japanese prefixes and output
# names where the guide lets the user name a file), with LANG unset (CP932)
# and LANG=ja_JP.UTF-8.  Every output file must match the Linux one byte for
# byte (text files up to CR LF), and the two transcripts must read the same.
# Usage: guide_walk_windows.sh LINUX_BUILD ZIP [OUT_DIR]
#   LINUX_BUILD: a build with the programs and the demo generators
#   (cmake -S . -B build -DU7_BUILD_TESTS=OFF), ZIP: from make windows.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
linux_bin=$(cd "$1/bin" && pwd); demo_bin=$(cd "$1/demo_bin" && pwd)
zip=$(realpath "$2"); out=${3:-/tmp/guide_walk_windows}
samples=$root/demo/samples; game=$out/game
FONT=${FONT:-/usr/share/fonts/X11/misc/shnmk12.pcf.gz}
export WINEPREFIX=${WINEPREFIX:-$out/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
walk() { # walk MODE BIN WORK [LANG]
(
mode=$1; bin=$2; work=$3; lang=${4-}
# LANG is given to the programs alone (this shell may lack the locale).
unset LANG LC_ALL LC_MESSAGES
env_lang=(); [ -n "$lang" ] && env_lang=("LANG=$lang")
trace='^(register_|get_flexfile|\[|read_shape|	|pre encode|count = )'
rm -rf "$work"; mkdir -p "$work"; cd "$work" || exit 1
cp "$game"/ENDSHAPE.FLX "$game"/MAINSHP.FLX "$game"/FONTS.VGA "$game"/exultmsg.txt \
   "$game"/usecode.en.txt "$game"/usecode.ja.txt .
if [ "$mode" = wine ]; then
  # The programs copied into the work folder, as the guide says; Wine reads
  # the command line of this side as UTF-8 by LC_CTYPE, the programs choose
  # their console's encoding by LANG alone.
  cp "$bin"/*.exe .
  export LC_CTYPE=C.UTF-8
fi
run() {
  echo "\$ $*"
  local st=0
  if [ "$mode" = wine ]; then
    local p=$1; shift
    env "${env_lang[@]}" wine "$p.exe" "$@" > ../walk.out 2>../walk.err < /dev/null || st=$?
  else
    local p=$1; shift
    env "${env_lang[@]}" "$bin/$p" "$@" > ../walk.out 2>../walk.err < /dev/null || st=$?
  fi
  grep -aEv "$trace" ../walk.out
  [ -s ../walk.err ] && { echo "(stderr:)"; cat ../walk.err; }
  echo "(status $st)"
}
shell_copy() { # copy A B as the guide writes it for each system
  if [ "$mode" = wine ]; then echo "\$ copy $1 $2"; wine cmd /c copy "$1" "$2" > /dev/null 2>&1 < /dev/null
  else echo "\$ cp $1 $2"; cp "$1" "$2"; fi
}
shell_ren() {
  if [ "$mode" = wine ]; then echo "\$ move /y $1 $2"; wine cmd /c move /y "$1" "$2" > /dev/null 2>&1 < /dev/null
  else echo "\$ mv $1 $2"; mv "$1" "$2"; fi
}

echo "## 1"
run glimmet
run u7kit fontsheet
echo "## 3"
run revisto
run u7kit check --en usecode.en.txt usecode.ja-new.txt
echo "## 4"
run u7kit subtitles
for n in 1 2 3 4 5 6 7; do cp "$game/drawn.$n.bmp" "sibrel.$n.bmp"; done
echo "(the seven subtitles drawn over the templates)"
run sibrel_bmp
echo "## 4 with a Japanese prefix"
run u7kit subtitles -n 字幕
cp "$game/drawn.1.bmp" 字幕1.bmp
run u7kit subtitles -n 字幕
cmp -s "$game/drawn.1.bmp" 字幕1.bmp && echo "(字幕1.bmp kept)" || echo "(字幕1.bmp REPLACED)"
for n in 1 2 3 4 5 6 7; do cp "$game/drawn.$n.bmp" "字幕$n.bmp"; done
run sibrel_bmp -n 字幕 -o 字幕入り.flx
echo "## 5"
run tawnix
shell_copy bg_text.en.txt bg_text.ja.txt
cp "$samples/tawnix/bg_text.ja.txt" bg_text.ja.txt
echo "(bg_text.ja.txt translated)"
echo "## 6"
run u7kit exultmsg --export
shell_copy exultmsg.en.txt exultmsg.ja.txt
sed -i -e 's/^\(MSG\t0x500\t[A-Z]*\t\).*/\1はい/' -e 's/^\(MSG\t0x600\t[A-Z]*\t\).*/\1セーブしますか？/' \
  -e 's/^\(MSG\t0xB1A\t[A-Z]*\t\).*/\1おわり/' exultmsg.ja.txt
echo "(exultmsg.ja.txt translated)"
run u7kit exultmsg --export -o ひな形.txt
run u7kit exultmsg --export -o ひな形.txt
echo "## 2"
run u7kit charmap bg_text.ja.txt exultmsg.ja.txt usecode.ja-new.txt
shell_ren usecode.map.new usecode.map
run u7kit check bg_text.ja.txt exultmsg.ja.txt
run u7kit check --en usecode.en.txt usecode.ja-new.txt
printf 'FONTS.VGA:0\t%s\t12\tauto\tauto\n' "$FONT" > fonts.recipe.txt
run u7kit fonts
mkdir -p 日本語フォント; cp fonts.vga.new 日本語フォント/FONTS.VGA
run u7kit preview --game-dir 日本語フォント --font FONTS.VGA:0 -o 見え方.png bg_text.ja.txt
echo "## 5 (second run)"
run u7kit check bg_text.ja.txt
run tawnix
echo "## 6 (second run)"
run u7kit check exultmsg.ja.txt
run u7kit exultmsg
echo "## 6 (oxleth on today's file)"
run oxleth -o oxleth.new
rm -f ../walk.out ../walk.err
)
}
compare() { # compare LINUX_WORK WINDOWS_WORK
(
l=$1; w=$2; bad=0; n=0
text_re='\.txt$|^exultmsg\.txt\.new$|^oxleth\.new$|^usecode\.map$'
while IFS= read -r f; do
  n=$((n+1))
  if [ ! -e "$w/$f" ]; then echo "MISSING in wine: $f"; bad=1; continue; fi
  if [[ $f =~ $text_re ]]; then
    if ! cmp -s <(sed 's/\r$//' "$w/$f") "$l/$f"; then echo "DIFFERS (text): $f"; bad=1; fi
    # What the programs write as text ends every line in CR LF; the files
    # written by hand keep theirs, and the map those of the old map (none: LF).
    if [ -s "$w/$f" ] && grep -qav $'\r$' "$w/$f"; then
      case $f in
        bg_text.ja.txt|exultmsg.ja.txt|exultmsg.txt|fonts.recipe.txt|usecode.en.txt|usecode.ja.txt|usecode.map) ;;
        *) echo "not all CR LF: $f"; bad=1;;
      esac
    fi
  else
    cmp -s "$w/$f" "$l/$f" || { echo "DIFFERS (binary): $f"; bad=1; }
  fi
done < <(cd "$l" && find . -type f ! -name '*.exe' | sed 's|^\./||' | sort)
extra=$(comm -13 <(cd "$l" && find . -type f | sort) <(cd "$w" && find . -type f ! -name '*.exe' | sort))
[ -n "$extra" ] && { echo "only in wine: $extra"; bad=1; }
echo "$n files compared, $( [ $bad = 0 ] && echo all match || echo DIFFERENCES)"
[ $bad = 0 ]
)
}

rm -rf "$out"; mkdir -p "$game" "$out/翻訳ツール"
(cd "$game" && "$demo_bin/make_sample_subtitles" make ENDSHAPE.FLX drawn. > /dev/null &&
  "$demo_bin/make_sample_mainshp" make MAINSHP.FLX > /dev/null &&
  "$demo_bin/make_sample_fonts" FONTS.VGA > /dev/null) || { echo "ERROR: the sample game files were not made"; exit 1; }
cp "$samples/u7kit/exultmsg.txt" "$samples/revisto/usecode.en.txt" "$samples/revisto/usecode.ja.txt" "$game/"
(cd "$out/翻訳ツール" && unzip -q "$zip") || exit 1
if [ ! -f "$WINEPREFIX/system.reg" ]; then wineboot -i > /dev/null 2>&1; wineserver -w; fi
wineserver -p; trap 'wineserver -k || true' EXIT
status=0
for console in cp932 utf8; do
  lang=; [ $console = utf8 ] && lang=ja_JP.UTF-8
  walk linux "$linux_bin" "$out/linux-$console/翻訳作業" $lang > "$out/linux-$console.log" 2>&1
  walk wine "$out/翻訳ツール" "$out/wine-$console/翻訳作業" $lang > "$out/wine-$console.log" 2>&1
  echo "== console $console: output files"
  compare "$out/linux-$console/翻訳作業" "$out/wine-$console/翻訳作業" || status=1
  # The transcripts: the same lines once CR is dropped (copy and cp differ).
  if diff <(sed 's/\r$//' "$out/wine-$console.log" | grep -av '^\$ \(copy\|move\) ') \
          <(grep -av '^\$ \(cp\|mv\) ' "$out/linux-$console.log") > "$out/$console.diff"; then
    echo "transcripts match"
  else echo "transcripts DIFFER: $out/$console.diff"; status=1; fi
done
# The CP932 transcript, decoded, reads as the UTF-8 one: no mojibake.
if python3 - "$out" <<'PY'
import sys
out = sys.argv[1]
def lines(name, cp932):
    result = []
    for raw in open(f"{out}/{name}", "rb").read().split(b"\n"):
        raw = raw.rstrip(b"\r")
        if cp932 and not raw.startswith((b"$ ", b"(", b"##")):
            result.append(raw.decode("cp932"))
        else:
            result.append(raw.decode("utf-8"))
    return result
sys.exit(0 if lines("wine-cp932.log", True) == lines("wine-utf8.log", False) else 1)
PY
then echo "the CP932 messages read the same as the UTF-8 ones"; else echo "the CP932 messages DIFFER"; status=1; fi
exit $status
