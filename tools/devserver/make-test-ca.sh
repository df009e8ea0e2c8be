#!/usr/bin/env bash
# Creates a throw-away certificate authority and a server certificate signed by
# it for 127.0.0.1 and localhost (IP and DNS subjectAltName), for cw_devserver's
# HTTPS listener. A client that trusts ca.pem verifies the server; one that
# does not must refuse it.
#
#   make-test-ca.sh <out-folder>
#
# Writes ca.pem, ca.key, server.pem, server.key into the folder (created if
# needed). Keys are unencrypted: test material only.
set -euo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 <out-folder>" >&2
  exit 2
fi
out="$1"
mkdir -p "$out"
cd "$out"
umask 077

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes \
  -keyout ca.key -out ca.pem -days 3650 -subj "/CN=cw_devserver test CA" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>"$work/log" || { cat "$work/log" >&2; exit 1; }

openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes \
  -keyout server.key -out "$work/server.csr" -subj "/CN=127.0.0.1" 2>"$work/log" || { cat "$work/log" >&2; exit 1; }

cat > "$work/server.ext" <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=IP:127.0.0.1,DNS:localhost
EXT

openssl x509 -req -in "$work/server.csr" -CA ca.pem -CAkey ca.key -set_serial "0x$(openssl rand -hex 8)" \
  -days 825 -extfile "$work/server.ext" -out server.pem 2>"$work/log" || { cat "$work/log" >&2; exit 1; }

chmod 644 ca.pem server.pem
echo "test CA and server certificate written to $(pwd)"
