#!/usr/bin/env bash
# The main job on one machine: the local service stack serves the signed sample
# package, and the downloader installs it into a temporary folder and starts
# the installed product. With a display (DISPLAY or WAYLAND_DISPLAY) it shows
# its window and a person installs; without one, or with UNATTENDED=1, it
# installs unattended with a progress line.
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

export XDG_DATA_HOME="$demo/data" XDG_CACHE_HOME="$demo/cache" \
  CW_REGISTRY_ROOT="$demo/registry" CW_DEPLOYMENT_FILE="$demo/deployment.xml" CW_APPLICATIONS_FOLDER="$demo/Apps"
unattended() {
  XDG_RUNTIME_DIR="$demo" "$build/cw_downloader" --unattended --accept-license --dir "$demo/Apps" --lang en
}
set +e
if [ "${UNATTENDED:-0}" != 1 ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run-demo: the installer's window opens; its folder is $demo/Apps/Quorla (close the window to stop)"
  # The desktop's runtime folder stays: its display and session bus live there.
  XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$demo}" "$build/cw_downloader"
  code=$?
  if [ "$code" = 8 ]; then  # the display did not open after all
    echo "run-demo: no display to open the window on; installing without one"
    unattended
    code=$?
  fi
else
  unattended
  code=$?
fi
set -e

product="$demo/Apps/Quorla Murmelon"
[ -d "$product" ] || product="$demo/Apps/Quorla/Quorla Murmelon"  # the window's default folder
for _ in $(seq 1 50); do [ -e "$product/started.txt" ] && break; sleep 0.1; done
echo "run-demo: the downloader exited with $code; everything of this run is in $demo"
if [ -e "$product/started.txt" ]; then
  echo "run-demo: the installed product ran:"
  sed 's/^/  /' "$product/started.txt"
fi
exit "$code"
