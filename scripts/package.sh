#!/usr/bin/env bash
# Makes dist/vintoq32-VERSION.zip for the person installing the program: both
# images, each checked (scripts/cross-build.sh: header, imports, instruction
# set; tools/check_version_info.py: the version resource), and READ-ME.txt.
# VERSION is the project's (project() in CMakeLists.txt).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/cross-build.sh
version=$(sed -n 's/^project(Vintoq32 VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no project version in CMakeLists.txt" >&2; exit 1; }
for arch in i686 x86_64; do
    exe=build-win-$arch/src/vintoq32.exe
    python3 tools/check_version_info.py "$exe" "$version"
    size=$(stat -c %s "$exe")
    [ "$size" -le 40960 ] || { echo "$exe: $size bytes, more than 40 KiB" >&2; exit 1; }
done

mkdir -p dist
zip=dist/vintoq32-$version.zip
python3 - "$zip" "$version" << 'PY'
import sys
import zipfile

path, version = sys.argv[1], sys.argv[2]
with open("scripts/package-readme.txt", encoding="utf-8") as source:
    readme = source.read().replace("@VERSION@", version)
# Notepad of these Windows versions wants CR LF; the archive keeps a fixed
# date so that the same sources give the same bytes.
entries = [
    ("vintoq32-%s/READ-ME.txt" % version, readme.replace("\n", "\r\n").encode("cp1252")),
    ("vintoq32-%s/i386/vintoq32.exe" % version,
     open("build-win-i686/src/vintoq32.exe", "rb").read()),
    ("vintoq32-%s/x64/vintoq32.exe" % version,
     open("build-win-x86_64/src/vintoq32.exe", "rb").read()),
]
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
    for name, data in entries:
        info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        archive.writestr(info, data)
PY
python3 -m zipfile -l "$zip"
echo "$zip"
