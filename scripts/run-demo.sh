#!/usr/bin/env bash
# The main job on one machine: the local service stack serves the signed sample
# package, and the downloader installs it unattended into a temporary folder,
# showing its progress, and starts the installed product.
#
# Everything the run writes (per-user folders, registry store, the install)
# stays in one temporary folder, printed at the end; nothing in $HOME changes.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
package="$build/sample-package"
for f in "$build/cw_downloader" "$build/tools/devserver/cw_devserver" "$package/files/QuorlaMurmelon_setup.exe"; do
  [ -e "$f" ] || { echo "run-demo: $f is missing; build first (make run builds)" >&2; exit 1; }
done

demo=$(mktemp -d "${TMPDIR:-/tmp}/cw-demo.XXXXXX")
server_pid=""
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null; true; }
trap cleanup EXIT

# The service stack over HTTPS, with a throw-away CA the downloader is told to trust.
"$root/tools/devserver/make-test-ca.sh" "$demo/tls" >/dev/null
mkdir -p "$demo/www"
cp "$package/files/QuorlaMurmelon_setup.exe" "$demo/www/"
# The banner service's pictures, for the window's carousel.
mkdir -p "$demo/www/banners"
cp "$build"/tools/devserver/banners/banner_*.png "$demo/www/banners/"
sed "s|</Deployment>|  <TlsTrustAnchor file=\"$demo/tls/ca.pem\"/>\n</Deployment>|" "$package/deployment.xml" >"$demo/deployment.xml"

"$build/tools/devserver/cw_devserver" --root "$demo/www" --config "$package/devserver.json" \
  --record "$demo/requests.jsonl" --cert "$demo/tls/server.pem" --key "$demo/tls/server.key" \
  >"$demo/devserver.out" 2>&1 &
server_pid=$!
for _ in $(seq 1 50); do
  grep -q '^devserver ' "$demo/devserver.out" 2>/dev/null && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$demo/devserver.out" >&2; echo "run-demo: the devserver did not start (ports 18080/18443 busy?)" >&2; exit 1; }
  sleep 0.1
done
echo "run-demo: $(head -n 1 "$demo/devserver.out"), serving the signed sample package"

set +e
XDG_DATA_HOME="$demo/data" XDG_CACHE_HOME="$demo/cache" XDG_RUNTIME_DIR="$demo" \
  CW_REGISTRY_ROOT="$demo/registry" CW_DEPLOYMENT_FILE="$demo/deployment.xml" \
  "$build/cw_downloader" --unattended --accept-license --dir "$demo/Apps" --lang en
code=$?
set -e

product="$demo/Apps/Quorla Murmelon"
for _ in $(seq 1 50); do [ -e "$product/started.txt" ] && break; sleep 0.1; done
echo "run-demo: the downloader exited with $code; everything of this run is in $demo"
if [ -e "$product/started.txt" ]; then
  echo "run-demo: the installed product ran:"
  sed 's/^/  /' "$product/started.txt"
fi
exit "$code"
