#!/usr/bin/env bash
# Builds the packages for Windows users into dist/:
#   trifolio-<version>-win64.zip    trifolio.exe and readme.txt, to run from any folder
#   trifolio-<version>-setup.exe    per-user installer (NSIS, no administrator rights)
#   SHA256SUMS                      checksums of both
# <version> is the program's own: src/version.h, which its version resource shows.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh windows package

cmake --preset windows >/dev/null
cmake --build --preset windows --target trifolio -j 2
# The version CMake took from src/version.h (and checked there).
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
[ -n "$version" ] || { echo "package.sh: no project version in the CMake cache" >&2; exit 1; }

stage=build/package
rm -rf "$stage" && mkdir -p "$stage" dist
cp build/windows/trifolio.exe src/res/readme.txt "$stage/"
# The last commit's time on the files, so that the same sources give the same zip.
stamp=$(git log -1 --format=%ct 2>/dev/null || date +%s)
touch -d "@$stamp" "$stage"/*

zipfile="trifolio-$version-win64.zip"
setup="trifolio-$version-setup.exe"
rm -f "dist/$zipfile" "dist/$setup" dist/SHA256SUMS
(cd "$stage" && zip -q -X -9 "../../dist/$zipfile" trifolio.exe readme.txt)
makensis -WX -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSOURCE="$PWD/$stage" \
  -DICON="$PWD/src/res/trifolio.ico" -DOUTFILE="$PWD/dist/$setup" installer/trifolio.nsi
(cd dist && sha256sum "$zipfile" "$setup" > SHA256SUMS)

for f in "dist/$zipfile" "dist/$setup"; do
  echo "$f: $(stat -c %s "$f") bytes"
done
