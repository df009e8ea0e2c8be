#!/bin/sh
# Appends a detached PKCS#7 signature in the Linux kernel-module layout:
#   IN bytes | DER signature | struct module_signature (12 bytes) | marker
# The descriptor says id_type 2 (PKCS#7) and carries the signature length
# as a 32-bit big-endian number; the marker is "~Module signature appended~\n".
set -eu

if [ $# -ne 4 ]; then
    echo "usage: $0 CERT KEY IN OUT" >&2
    exit 2
fi
cert=$1 key=$2 in=$3 out=$4

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

openssl cms -sign -binary -outform DER -md sha256 -nosmimecap \
    -signer "$cert" -inkey "$key" -in "$in" -out "$tmp/sig.der"

len=$(wc -c < "$tmp/sig.der")
# algo, hash, id_type, signer_len, key_id_len, pad[3], sig_len (big-endian)
printf "\\000\\000\\002\\000\\000\\000\\000\\000\\$(printf %03o $(( (len >> 24) & 255 )))\\$(printf %03o $(( (len >> 16) & 255 )))\\$(printf %03o $(( (len >> 8) & 255 )))\\$(printf %03o $(( len & 255 )))" > "$tmp/desc"
printf '~Module signature appended~\n' > "$tmp/marker"

cat "$in" "$tmp/sig.der" "$tmp/desc" "$tmp/marker" > "$tmp/out"
chmod --reference="$in" "$tmp/out"
mv -f "$tmp/out" "$out"
