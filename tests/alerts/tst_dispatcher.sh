#!/bin/bash
# Runs tst_dispatcher inside a network namespace made here, with a test CA
# and a certificate for 127.0.0.1 from it; the test starts its receivers
# itself. No traffic leaves the namespace.
set -u
bin="${ORVANT_BUILD_DIR:?}/tests/tst_dispatcher"

. "$(dirname "$0")/../support/testlib.sh"
require_netns
require_tools openssl
/usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null || { echo "SKIP: python3-aiosmtpd is not installed"; exit 77; }
[ -x "$bin" ] || { echo "FAIL: $bin not built"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(
    cd "$work" || exit 1
    ec="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
    openssl req -x509 $ec -keyout ca.key -out ca.pem -days 2 -subj "/CN=Orvant test CA" &&
    openssl req $ec -keyout srv.key -out srv.csr -subj "/CN=127.0.0.1" &&
    printf 'subjectAltName=IP:127.0.0.1\n' >ext &&
    openssl x509 -req -in srv.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out srv.pem -days 2 -extfile ext
) >"$work/openssl.log" 2>&1 || { echo "FAIL: openssl"; cat "$work/openssl.log"; exit 1; }

ORVANT_TEST_CERTS=$work timeout 150 unshare -n bash -c 'ip link set lo up && exec "$0"' "$bin"
