#!/usr/bin/env bash
# Signing with a code-signing certificate, made here for the test and thrown
# away (a CA of its own and a signer under it, never committed):
#   - with SEQGET_SIGN_PFX and SEQGET_SIGN_PASSWORD set, pack.py and
#     installer.py sign every .exe and .dll in the zip, the installer, and
#     the uninstaller it writes (read back after a silent install under
#     Wine); `osslsigncode verify` accepts each against the throwaway CA;
#   - with a wrong password the build fails rather than ship unsigned files;
#   - the build as made without a certificate carries no signature.
#
#   signing.sh <build folder>   (where scripts/windows-build.sh app built)
#
# Exit 0 passed, 1 failed, 77 skipped (a tool is missing).
set -euo pipefail
build="$(realpath "${1:?usage: signing.sh <build folder>}")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
cache="${SEQGET_WINDOWS_CACHE:-/var/cache/seqget-windows}"
for tool in openssl osslsigncode makensis python3 wine; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d "${TMPDIR:-/tmp}/seqget-signing.XXXXXX")"
cleanup() {
    [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The throwaway certificates, valid for two days.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Seqget throwaway test CA" \
    -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$work/ca.key" -out "$work/ca.pem" 2>/dev/null
openssl req -x509 -CA "$work/ca.pem" -CAkey "$work/ca.key" -newkey rsa:2048 -nodes -days 2 \
    -subj "/CN=Seqget throwaway test signer" -addext "basicConstraints=critical,CA:false" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$work/signer.key" -out "$work/signer.pem" 2>/dev/null
password='throwaway pass'
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -certfile "$work/ca.pem" \
    -passout "pass:$password" -out "$work/signer.pfx"

verified() { osslsigncode verify -CAfile "$work/ca.pem" -in "$1" >"$work/verify.log" 2>&1; }

# Signed.
mkdir -p "$work/signed"
SEQGET_SIGN_PFX="$work/signer.pfx" SEQGET_SIGN_PASSWORD="$password" \
    python3 "$root/scripts/windows/pack.py" "$root" "$build" "$cache" "$work/signed" >/dev/null
SEQGET_SIGN_PFX="$work/signer.pfx" SEQGET_SIGN_PASSWORD="$password" \
    python3 "$root/scripts/windows/installer.py" "$root" "$work/signed" >/dev/null
zip="$(ls "$work"/signed/Seqget-*-win64.zip)"
setup="$(ls "$work"/signed/Seqget-*-win64-setup.exe)"
python3 -m zipfile -e "$zip" "$work/signed/unpacked"
binaries=0
while IFS= read -r file; do
    binaries=$((binaries + 1))
    verified "$file" || fail "${file#"$work/signed/unpacked/"} in the signed zip: $(tail -n 3 "$work/verify.log" | tr '\n' ' ')"
done < <(find "$work/signed/unpacked" -type f \( -iname '*.exe' -o -iname '*.dll' \) | sort)
[ "$binaries" -gt 3 ] || fail "only $binaries program files in the signed zip"
echo "signed zip: $binaries .exe and .dll files checked against the throwaway CA"
if verified "$setup"; then
    echo "signed installer: $(basename "$setup") verified"
else
    fail "the installer: $(tail -n 3 "$work/verify.log" | tr '\n' ' ')"
fi
grep -q 'Subject: /CN=Seqget throwaway test signer' "$work/verify.log" ||
    fail "the installer's signer is not the throwaway one"

# The uninstaller exists only once installed.
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine wineboot --init >"$work/wineboot.log" 2>&1
wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
wine "$setup" /S '/D=C:\Seqget' >/dev/null 2>&1 || fail "the signed installer's silent install failed"
timeout 120 wineserver -w 2>/dev/null || true
uninstaller="$WINEPREFIX/drive_c/Seqget/Uninstall.exe"
if [ ! -f "$uninstaller" ]; then
    fail "no uninstaller after the signed install"
elif verified "$uninstaller"; then
    echo "signed uninstaller: verified"
else
    fail "the uninstaller: $(tail -n 3 "$work/verify.log" | tr '\n' ' ')"
fi

# A wrong password stops the build.
mkdir -p "$work/wrong"
if SEQGET_SIGN_PFX="$work/signer.pfx" SEQGET_SIGN_PASSWORD="not $password" \
    python3 "$root/scripts/windows/pack.py" "$root" "$build" "$cache" "$work/wrong" >/dev/null 2>&1; then
    fail "pack.py with a wrong password succeeded"
else
    echo "a wrong password stops the build"
fi

# Without a certificate nothing is signed: the build folder's own zip and installer.
mkdir -p "$work/unsigned"
python3 -m zipfile -e "$(ls "$build"/Seqget-*-win64.zip)" "$work/unsigned"
for file in "$work/unsigned/Seqget/Seqget.exe" "$work/unsigned/Seqget/Qt6Core.dll" \
    "$(ls "$build"/Seqget-*-win64-setup.exe)"; do
    ! verified "$file" || fail "$(basename "$file") of the unsigned build carries a signature"
    grep -q 'No signature found\|Unable to extract existing signature' "$work/verify.log" ||
        fail "$(basename "$file") of the unsigned build: $(tail -n 3 "$work/verify.log" | tr '\n' ' ')"
done
echo "unsigned build: Seqget.exe, Qt6Core.dll and the installer carry no signature"

if [ "$failures" -gt 0 ]; then
    echo "$failures signing check(s) failed"
    exit 1
fi
echo "all signing checks passed"
