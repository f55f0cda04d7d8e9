#!/usr/bin/env bash
# Cross-builds the libraries the Windows programs link statically, from
# Debian's source packages, into DEPS_DIR:
#   DEPS_DIR/libpng    libpng (source package libpng1.6)
#   DEPS_DIR/freetype  FreeType (source package freetype), with zlib for
#                      gzip-compressed PCF fonts
# each a link to a folder named by the package version, which holds
# include/ and lib/ and, written last, the stamp file u7-built.  A library
# whose folder has its stamp is not built again.  zlib itself is Debian's
# static mingw-w64 build (libz-mingw-w64-dev).
#
# The versions are those the machine's suite serves for the Linux build's
# libraries (libpng-dev and libfreetype-dev).  The sources are fetched with apt-get source
# through a private apt configuration in DEPS_DIR/apt that adds deb-src
# entries for the suites of /etc/apt/sources.list.d/debian.sources; the
# system's apt configuration is not changed.
# Usage: windows_deps.sh DEPS_DIR TOOLCHAIN_FILE [JOBS]
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: windows_deps.sh DEPS_DIR TOOLCHAIN_FILE [JOBS]"
  exit 1
fi
[ -f "$2" ] || { echo "ERROR: the toolchain file $2 is missing"; exit 1; }
mkdir -p "$1"
deps=$(cd "$1" && pwd)
toolchain=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
jobs=${3:-2}
system_sources=/etc/apt/sources.list.d/debian.sources
mingw_zlib=/usr/x86_64-w64-mingw32/lib/libz.a

fail() {
  echo "ERROR: $*"
  exit 1
}

# The version of SOURCE_PACKAGE that the machine's suite serves, as the
# source of the Linux library's candidate in the machine's apt (of the
# installed one when the machine has no package lists), into the variable
# version, e.g. "1.6.39-2+deb12u6".
suite_version() {  # SOURCE_PACKAGE BINARY_PACKAGE
  local policy candidate show source
  policy=$(apt-cache policy "$2" 2>/dev/null) || policy=
  candidate=$(sed -n 's/^  Candidate: //p' <<< "$policy")
  if [ -z "$candidate" ] || [ "$candidate" = "(none)" ]; then
    candidate=$(dpkg-query -W -f='${Version}' "$2" 2>/dev/null) ||
      fail "$1: the machine's apt knows no version of $2 to build (apt-get update, or scripts/install_deps.sh windows)"
  fi
  show=$(apt-cache show "$2=$candidate" 2>/dev/null) || show=
  source=$(sed -n 's/^Source: //p' <<< "$show")
  source=${source%%$'\n'*}
  [ -z "$source" ] || [ "${source%% *}" = "$1" ] || fail "$1: $2 is built from ${source%% *}, not from $1"
  version=$candidate
  if [[ $source == *"("*")"* ]]; then
    version=${source#*(}
    version=${version%)*}
  fi
}

apt_dir=$deps/apt
apt_options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources.list.d"
             -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache")
# As root, apt downloads as its own user, who may not enter the build folder.
[ "$(id -u)" -ne 0 ] || apt_options+=(-o APT::Sandbox::User=root)
apt_ready=0

# The private apt configuration and its package lists, made once a run.
prepare_apt() {  # SOURCE_PACKAGE
  [ $apt_ready = 0 ] || return 0
  [ -f "$system_sources" ] || fail "$1: $system_sources is missing, so there is no suite to fetch the source from"
  command -v dpkg-source > /dev/null 2>&1 || fail "$1: dpkg-source is missing to unpack the source (apt-get install dpkg-dev)"
  rm -rf "$apt_dir"
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  # The same entries, for sources: every stanza's Types becomes deb-src.
  sed 's/^Types:.*/Types: deb-src/' "$system_sources" > "$apt_dir/sources.list.d/debian-src.sources"
  grep -q '^Types: deb-src' "$apt_dir/sources.list.d/debian-src.sources" ||
    fail "$1: $system_sources holds no entry to fetch sources from"
  if ! apt-get "${apt_options[@]}" -q update > "$apt_dir/update.log" 2>&1; then
    cat "$apt_dir/update.log"
    fail "$1: the source package lists could not be fetched (apt-get update of $apt_dir)"
  fi
  apt_ready=1
}

# Fetches into FOLDER and unpacks SOURCE_PACKAGE at VERSION; on failure
# the reason is in FOLDER.log.
fetch_source() {  # SOURCE_PACKAGE VERSION FOLDER
  rm -rf "$3"
  mkdir "$3"
  (cd "$3" && apt-get "${apt_options[@]}" -q source "$1=$2") > "$3.log" 2>&1
}

# Builds SOURCE_PACKAGE, WANTED the version the suite serves, into
# DEPS_DIR/NAME.  When the suite's archive cannot hand out that version,
# the next one its source lists name is built instead, and said so.
build_library() {  # NAME SOURCE_PACKAGE WANTED CMAKE_OPTION...
  local name=$1 package=$2 wanted=$3
  shift 3
  if [ -f "$deps/$name/u7-built" ] && [ "$(sed -n 's/^for //p' "$deps/$name/u7-built")" = "$wanted" ]; then
    return 0
  fi
  prepare_apt "$package"
  local work
  work=$(mktemp -d "$deps/.$package.XXXXXX")
  # A run that stops half-way leaves only this temporary folder, which no
  # later run takes for a finished build.
  trap 'rm -rf "$work"' EXIT
  local served others version=
  served=$(apt-cache "${apt_options[@]}" showsrc --only-source "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -u -r -V) ||
    served=
  others=$(grep -v -x -F -e "$wanted" <<< "$served" || true)
  for candidate in "$wanted" $others; do
    if fetch_source "$package" "$candidate" "$work/fetch"; then
      version=$candidate
      break
    fi
    echo "NOTE: $package $candidate could not be fetched or unpacked:"
    grep '^E: ' "$work/fetch.log" || tail -n 5 "$work/fetch.log"
  done
  [ -n "$version" ] ||
    fail "$package: no version of the source package could be fetched from the machine's suite (served: ${served//$'\n'/ })"
  [ "$version" = "$wanted" ] || echo "NOTE: building $package $version instead of $wanted"
  local final="$deps/$package-$version"
  echo "-- building $package $version for Windows (once; kept in $final)"
  local source
  source=$(find "$work/fetch" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$source" ] && [ -f "$source/CMakeLists.txt" ] || fail "$package: the unpacked source has no CMakeLists.txt"
  # No path of this machine in the objects: sources and build folder map to
  # short relative names.
  local flags="-ffile-prefix-map=$source/=$package/ -ffile-prefix-map=$work/=./"
  if ! cmake -S "$source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
       -DCMAKE_C_FLAGS="$flags" -DCMAKE_INSTALL_PREFIX="$work/install" -DBUILD_SHARED_LIBS=OFF \
       -DZLIB_LIBRARY="$mingw_zlib" -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
       "$@" > "$work/build.log" 2>&1 ||
     ! cmake --build "$work/build" -j "$jobs" >> "$work/build.log" 2>&1 ||
     ! cmake --install "$work/build" >> "$work/build.log" 2>&1; then
    tail -n 40 "$work/build.log"
    fail "$package: the cross-build of $package $version failed (the end of its log is above)"
  fi
  printf '%s %s\nfor %s\n' "$package" "$version" "$wanted" > "$work/install/u7-built"
  rm -rf "$final"
  mv "$work/install" "$final"
  rm -rf "$work"
  trap - EXIT
  ln -sfn "$(basename "$final")" "$deps/$name"
}

[ -f "$mingw_zlib" ] || fail "zlib: $mingw_zlib is missing (apt-get install libz-mingw-w64-dev)"

suite_version libpng1.6 libpng-dev
build_library libpng libpng1.6 "$version" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_FILES=ON
suite_version freetype libfreetype-dev
build_library freetype freetype "$version" \
  -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
