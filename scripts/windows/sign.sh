#!/usr/bin/env bash
# Signs Windows program files in place (Authenticode, SHA-256) with the
# code-signing certificate in $SEQGET_SIGN_PFX, a PKCS#12 file whose password
# is $SEQGET_SIGN_PASSWORD (empty when unset). Without SEQGET_SIGN_PFX it
# does nothing: the build is then unsigned.
#   scripts/windows/sign.sh FILE.exe|FILE.dll...
# No timestamp is asked for: the build machine may have no network. Windows
# then trusts a signature only while the certificate itself is valid.
set -euo pipefail
[ -n "${SEQGET_SIGN_PFX:-}" ] || exit 0
[ -r "$SEQGET_SIGN_PFX" ] || { echo "sign.sh: cannot read SEQGET_SIGN_PFX=$SEQGET_SIGN_PFX" >&2; exit 1; }
for file in "$@"; do
    rm -f "$file.signed"
    # The password goes in on standard input, not on a command line others can read.
    printf '%s' "${SEQGET_SIGN_PASSWORD:-}" |
        osslsigncode sign -pkcs12 "$SEQGET_SIGN_PFX" -readpass - -h sha256 -n Seqget \
            -in "$file" -out "$file.signed" >/dev/null
    mv -f "$file.signed" "$file"
done
