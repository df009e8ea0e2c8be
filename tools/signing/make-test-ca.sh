#!/bin/sh
# Creates a throw-away certificate set for signature tests:
#   ca.pem/ca.key                 test root CA
#   codesign.pem/codesign.key     code-signing certificate issued by ca
#   tls.pem/tls.key               certificate of the same CA, serverAuth only
#   other-ca.pem/other-ca.key     a second, unrelated root CA
#   other-codesign.pem/.key       code-signing certificate issued by other-ca
# Existing files are kept, so calling it again is cheap.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
out=$1
mkdir -p "$out"
cd "$out"

if [ -s ca.pem ] && [ -s codesign.pem ] && [ -s tls.pem ] && \
   [ -s other-ca.pem ] && [ -s other-codesign.pem ]; then
    exit 0
fi

umask 077
newkey() {
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null
}

make_ca() { # name subject
    newkey "$1.key"
    openssl req -new -x509 -key "$1.key" -out "$1.pem" -days 3650 -sha256 \
        -subj "$2" \
        -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
}

make_leaf() { # name subject ca eku
    newkey "$1.key"
    openssl req -new -key "$1.key" -out "$1.csr" -subj "$2" 2>/dev/null
    printf 'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n' "$4" > "$1.ext"
    openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial \
        -out "$1.pem" -days 3650 -sha256 -extfile "$1.ext" 2>/dev/null
    rm -f "$1.csr" "$1.ext"
}

make_ca ca "/CN=CW Test Root CA"
make_leaf codesign "/CN=CW Test Code Signing" ca codeSigning
make_leaf tls "/CN=localhost" ca serverAuth
make_ca other-ca "/CN=CW Other Test Root CA"
make_leaf other-codesign "/CN=CW Other Code Signing" other-ca codeSigning
rm -f ca.srl other-ca.srl
chmod 644 ./*.pem
