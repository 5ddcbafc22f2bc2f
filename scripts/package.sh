#!/usr/bin/env bash
# Builds the five programs in release mode and writes the release a Windows
# user downloads: dist/ZenthMail-<version>-win64.zip, holding one folder
# ZenthMail-<version>/ with the programs and README.txt, and beside it
# dist/ZenthMail-<version>-win64.zip.sha256 (sha256sum's format).
#
#   scripts/package.sh [--programs DIR] [--out DIR]
#
# --programs takes the programs from a folder already built instead of
# building them (the test command does so); --out writes elsewhere than
# dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
programs=""
out="$PWD/dist"
while [ $# -gt 0 ]; do
  case "$1" in
    --programs) programs=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: scripts/package.sh [--programs DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done

version=$(sed -n 's/^project(zenthmail VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
names=(zenthmail zenth-profiles zenth-setup zenth-install zenth-picker)

if [ -z "$programs" ]; then
  export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
  cmake --build build/release --target "${names[@]}"
  programs=build/release/dist
fi

name="ZenthMail-$version"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
for p in "${names[@]}"; do
  cp "$programs/$p.exe" "$stage/$name/"
  # No symbols in what users download.
  x86_64-w64-mingw32-strip --strip-unneeded "$stage/$name/$p.exe"
done
# Notepad of older Windows wants CR LF.
sed "s/@VERSION@/$version/g; s/\$/\r/" scripts/release-readme.txt > "$stage/$name/README.txt"

mkdir -p "$out"
zip="$out/$name-win64.zip"
rm -f "$zip" "$zip.sha256"
# Python's zipfile: no zip program needed; the entries in a fixed order and
# with the files' own times.
python3 - "$stage" "$name" "$zip" <<'PY'
import os, sys, zipfile
stage, name, target = sys.argv[1:]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for entry in sorted(os.listdir(os.path.join(stage, name))):
        z.write(os.path.join(stage, name, entry), name + "/" + entry)
PY
(cd "$out" && sha256sum "$name-win64.zip" > "$name-win64.zip.sha256")
echo "$zip"
