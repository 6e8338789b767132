#!/usr/bin/env bash
# Remakes the TLS fixtures of the loopback catalog server: a test CA and an EC P-256
# leaf for localhost and 127.0.0.1 signed by it, both valid for about 100 years.
# The tests only read the files; run this by hand when they must change.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
days=36500

openssl ecparam -name prime256v1 -genkey -noout -out "$work/ca.key"
openssl req -x509 -new -key "$work/ca.key" -sha256 -days "$days" -subj "/CN=Kestrivane Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" -out ca.pem

openssl ecparam -name prime256v1 -genkey -noout -out "$work/server.ec"
openssl pkcs8 -topk8 -nocrypt -in "$work/server.ec" -out server.key
openssl req -new -key server.key -subj "/CN=localhost" -out "$work/server.csr"
cat > "$work/leaf.ext" <<'EXT'
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature
extendedKeyUsage=serverAuth
subjectAltName=DNS:localhost,IP:127.0.0.1
EXT
openssl x509 -req -in "$work/server.csr" -CA ca.pem -CAkey "$work/ca.key" -CAcreateserial \
  -CAserial "$work/ca.srl" -sha256 -days "$days" -extfile "$work/leaf.ext" -out server.pem
