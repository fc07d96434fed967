#!/bin/bash
# Makes a test CA and a server certificate for "localhost" in DIR (once), and
# puts the CA into the system trust store so that Wine's WinINet trusts the
# stand-in site's HTTPS port. Wine reads the store when wineserver starts.
#   make-certs.sh DIR [--no-install]
# Every program on the machine trusts the CA, so it is limited to the name
# localhost (name constraints) and its private key is deleted once the server
# certificate is signed: nobody can sign anything else with it.
set -eu
dir=${1:?usage: make-certs.sh DIR [--no-install]}
install=1
[ "${2:-}" = "--no-install" ] && install=0
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# A set made before the CA was limited still has the CA's key: made anew.
complete() {
    [ -s "$dir/ca.crt" ] && [ -s "$dir/server.crt" ] && [ -s "$dir/server.key" ] && [ ! -e "$dir/ca.key" ] &&
        openssl x509 -in "$dir/ca.crt" -noout -text 2>/dev/null | grep -q "X509v3 Name Constraints: critical"
}

if ! complete; then
    rm -f "$dir/ca.key"
    tmp=$(mktemp -d "$dir/.make.XXXXXX")
    trap 'rm -rf "$tmp"' EXIT
    openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -sha256 \
        -keyout "$tmp/ca.key" -out "$tmp/ca.crt" \
        -subj "/CN=Kometori Test CA" \
        -addext "basicConstraints=critical,CA:TRUE,pathlen:0" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -addext "nameConstraints=critical,permitted;DNS:localhost,permitted;IP:127.0.0.1/255.255.255.255" \
        2>/dev/null
    openssl req -newkey rsa:2048 -nodes -sha256 \
        -keyout "$tmp/server.key" -out "$tmp/server.csr" -subj "/CN=localhost" 2>/dev/null
    printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=digitalSignature,keyEncipherment" \
        "extendedKeyUsage=serverAuth" "subjectAltName=DNS:localhost" > "$tmp/ext.cnf"
    openssl x509 -req -in "$tmp/server.csr" -CA "$tmp/ca.crt" -CAkey "$tmp/ca.key" \
        -CAcreateserial -days 3650 -sha256 -extfile "$tmp/ext.cnf" \
        -out "$tmp/server.crt" 2>/dev/null
    # The CA has signed all it ever will.
    rm -f "$tmp/ca.key" "$tmp/ca.srl"
    # Move into place last, so an interrupted run leaves no half set.
    mv "$tmp/server.key" "$tmp/server.crt" "$dir/"
    mv "$tmp/ca.crt" "$dir/ca.crt"
fi

[ "$install" = 1 ] || exit 0
name="kometori-test-ca-$(printf '%s' "$dir" | sha1sum | cut -c1-8).crt"
store=/usr/local/share/ca-certificates
if ! cmp -s "$dir/ca.crt" "$store/$name" 2>/dev/null || [ ! -e "/etc/ssl/certs/${name%.crt}.pem" ]; then
    if [ -w "$store" ] || { [ ! -e "$store" ] && [ -w "$(dirname "$store")" ]; }; then
        mkdir -p "$store"
        cp "$dir/ca.crt" "$store/$name"
        update-ca-certificates >/dev/null 2>&1 || echo "make-certs.sh: update-ca-certificates failed" >&2
    else
        echo "make-certs.sh: cannot write $store; the test CA is not trusted by Wine" >&2
    fi
fi
