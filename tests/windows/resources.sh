#!/usr/bin/env bash
# What Windows reads from Seqget.exe before and around a start, read back from
# the program file in the zip (as a user gets it), with wrestool:
#   - one manifest, resource 1 of type RT_MANIFEST (24), and nothing that the
#     compiler or Qt put in beside it: asInvoker, Windows 10/11 among the
#     supported systems, long paths on;
#   - the icon: 16, 24, 32, 48, 64, 128 and 256 px, the 256 one as PNG, each
#     the same pixels as data/icons/seqget-<size>.png;
#   - the version record: the project's file version, CompanyName, and the
#     copyright line of data/deb/copyright.
#
#   resources.sh <Seqget-...-win64.zip>
#
# Exit 0 passed, 1 failed, 77 skipped (a tool is missing).
set -euo pipefail
zip="${1:?usage: resources.sh <zip>}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
for tool in wrestool icotool compare python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d "${TMPDIR:-/tmp}/seqget-resources.XXXXXX")"
trap 'rm -rf "$work"' EXIT
python3 - "$zip" "$work/Seqget.exe" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z, open(sys.argv[2], "wb") as out:
    out.write(z.read("Seqget/Seqget.exe"))
PY
exe="$work/Seqget.exe"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The manifest: exactly one, and it is resource 1 (the one a process start reads).
manifests="$(wrestool -l --type=24 "$exe")"
[ "$(grep -c . <<<"$manifests")" = 1 ] || fail "RT_MANIFEST resources are not exactly one: ${manifests:-none}"
grep -q -- "--name=1 " <<<"$manifests" || fail "the manifest is not resource 1: $manifests"
wrestool -x --raw --type=24 --name=1 "$exe" >"$work/manifest.xml" || true
[ ! -s "$work/manifest.xml" ] || python3 - "$work/manifest.xml" <<'PY' || failures=$((failures + 1))
import sys
import xml.etree.ElementTree as ET
asm1 = "{urn:schemas-microsoft-com:asm.v1}"
asm3 = "{urn:schemas-microsoft-com:asm.v3}"
compat = "{urn:schemas-microsoft-com:compatibility.v1}"
ws2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
root = ET.parse(sys.argv[1]).getroot()
problems = []
if root.tag != asm1 + "assembly":
    problems.append(f"the root is {root.tag}, not an asm.v1 assembly")
levels = [e.get("level") for e in root.iterfind(
    f"{asm3}trustInfo/{asm3}security/{asm3}requestedPrivileges/{asm3}requestedExecutionLevel")]
if levels != ["asInvoker"]:
    problems.append(f"requestedExecutionLevel is {levels}, not asInvoker")
oses = [e.get("Id").lower() for e in root.iterfind(f"{compat}compatibility/{compat}application/{compat}supportedOS")]
if "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" not in oses:
    problems.append(f"Windows 10/11 is not among the supported systems {oses}")
long_paths = [(e.text or "").strip() for e in root.iterfind(
    f"{asm3}application/{asm3}windowsSettings/{ws2016}longPathAware")]
if long_paths != ["true"]:
    problems.append(f"longPathAware in the 2016 windowsSettings namespace is {long_paths}, not true")
for p in problems:
    print("FAIL: manifest:", p)
if not problems:
    print("manifest: asInvoker, supportedOS Windows 10/11, longPathAware true")
sys.exit(1 if problems else 0)
PY

# The icon group, as an .ico again, and each of its pictures.
wrestool -x --type=14 -o "$work/program.ico" "$exe"
python3 - "$work/program.ico" <<'PY' || failures=$((failures + 1))
import struct, sys
data = open(sys.argv[1], "rb").read()
_, kind, count = struct.unpack_from("<HHH", data, 0)
sizes, png = [], {}
for i in range(count):
    w, h, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
    w, h = w or 256, h or 256
    sizes.append(w)
    png[w] = data[offset:offset + 8] == b"\x89PNG\r\n\x1a\n"
problems = []
if kind != 1 or sorted(sizes) != [16, 24, 32, 48, 64, 128, 256]:
    problems.append(f"the icon holds {sorted(sizes)}, not 16 24 32 48 64 128 256")
if not png.get(256):
    problems.append("the 256 px picture is not PNG-compressed")
for p in problems:
    print("FAIL: icon:", p)
if not problems:
    print("icon: " + " ".join(str(s) for s in sorted(sizes)) + " px, 256 as PNG")
sys.exit(1 if problems else 0)
PY
mkdir -p "$work/icons"
icotool -x -o "$work/icons" "$work/program.ico"
for size in 16 24 32 48 64 128 256; do
    picture="$(find "$work/icons" -name "*_${size}x${size}x*.png" | head -n 1)"
    if [ -z "$picture" ]; then
        fail "no ${size} px picture in the program's icon"
    elif ! differ="$(compare -metric AE "$picture" "$root/data/icons/seqget-$size.png" null: 2>&1)" ||
        [ "$differ" != 0 ]; then
        fail "the ${size} px picture differs from data/icons/seqget-$size.png (${differ} pixels): run scripts/make-assets.sh"
    fi
done

# The version record, UTF-16 strings as key, padding, value.
wrestool -x --raw --type=16 "$exe" >"$work/version.bin"
version="$(sed -n 's/^set(SEQGET_FILE_VERSION "\(.*\)")$/\1/p' "$root/CMakeLists.txt")"
copyright="$(grep -m1 '^Copyright' "$root/data/deb/copyright")"
python3 - "$work/version.bin" "$version" "$copyright" <<'PY' || failures=$((failures + 1))
import re, sys
text = open(sys.argv[1], "rb").read().decode("utf-16-le", "replace")
def value(key):
    m = re.search(key + r"\x00+([^\x00]+)", text)
    return m.group(1) if m else None
problems = []
if value("FileVersion") != sys.argv[2]:
    problems.append(f"FileVersion is {value('FileVersion')!r}, not {sys.argv[2]!r}")
if not value("CompanyName"):
    problems.append("no CompanyName")
legal = value("LegalCopyright")
if not legal or not sys.argv[3].startswith(legal):
    problems.append(f"LegalCopyright {legal!r} is not the start of data/deb/copyright's {sys.argv[3]!r}")
for p in problems:
    print("FAIL: version record:", p)
if not problems:
    print(f"version record: {value('FileVersion')}, {value('CompanyName')}, {legal}")
sys.exit(1 if problems else 0)
PY

if [ "$failures" -gt 0 ]; then
    echo "$failures resource check(s) failed"
    exit 1
fi
echo "all resource checks passed"
