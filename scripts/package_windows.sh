#!/usr/bin/env bash
# Packs the Windows programs with the README(s) into one zip under dist/.
# Usage: package_windows.sh BUILD_DIR DIST_DIR
# The programs are those listed in BUILD_DIR/windows_programs.txt (every
# program under tools/).  Only file names go into the zip, no folders.
set -euo pipefail
build=$1
dist=$2
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project([^ ]* VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name="u7ja-toolkit-$version-windows-x86_64"

files=()
while IFS= read -r program; do
  [ -n "$program" ] || continue
  files+=("$build/bin/$program")
done < "$build/windows_programs.txt"
files+=("$root/README.md")
[ -f "$root/README.ja.md" ] && files+=("$root/README.ja.md")

mkdir -p "$dist"
rm -f "$dist/$name.zip"
# -j: no folders; -X: no extra attributes (owner ids, times beyond the DOS ones).
zip -q -j -X "$dist/$name.zip" "${files[@]}"
unzip -l "$dist/$name.zip"
echo "Windows package: $dist/$name.zip"
