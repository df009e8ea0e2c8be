#!/usr/bin/env bash
# The installer's window on an X server of its own (Xvfb): time from the
# start to the first painted frame (from the program's log), processor time
# while the running page waits between slides, and the peak memory after the
# first slide. Per-user folders in a temporary folder. Two settings:
#   offline   no service is reached (the download attempts fail, as with no network)
#   service   the local service stack serves the sample package slowly
#             (150 KB/s a range), so the running page waits on a live download
#   bench/ui/window-figures.sh [PROGRAM] [RUNS] [offline|service|both]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${1:-}" = "--inner" ]; then inner=1; shift; fi
exe=$(realpath "${1:-$here/build/cw_downloader}")
runs=${2:-5}
modes=${3:-both}
build=$(dirname "$exe")
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "needs xvfb-run and xdotool" >&2; exit 2; }

# The service stack on free ports, the package's ranges slowed down.
start_service() {
  local work=$1 package="$build/sample-package"
  mkdir -p "$work/www/banners"
  cp "$package/files/QuorlaMurmelon_setup.exe" "$work/www/"
  cp "$build"/tools/devserver/banners/banner_*.png "$work/www/banners/"
  [ -e "$work/tls/ca.pem" ] || "$here/tools/devserver/make-test-ca.sh" "$work/tls" >/dev/null
  "$build/tools/devserver/cw_devserver" --root "$work/www" --config "$package/devserver.json" --port 0 --https-port 0 \
    --cert "$work/tls/server.pem" --key "$work/tls/server.key" >"$work/devserver.out" 2>&1 &
  echo $! >"$work/devserver.pid"
  for _ in $(seq 50); do grep -q '^devserver ' "$work/devserver.out" && break; sleep 0.1; done
  local http https
  http=$(sed -n 's/^devserver http=\([0-9]*\).*/\1/p' "$work/devserver.out")
  https=$(sed -n 's/.*https=\([0-9]*\).*/\1/p' "$work/devserver.out")
  sed -e "s/18080/$http/g" -e "s/18443/$https/g" \
    -e "s|</Deployment>|  <TlsTrustAnchor file=\"$work/tls/ca.pem\"/>\n</Deployment>|" "$package/deployment.xml" >"$work/deployment.xml"
  curl -s -o /dev/null -X POST "http://127.0.0.1:$http/__control" \
    -d '{"faults": {"rate": 150000, "count": 100, "path_prefix": "/files/", "method": "GET"}}'
  export CW_DEPLOYMENT_FILE="$work/deployment.xml"
}

one_run() {
  local work=$1 mode=$2
  export XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work CW_REGISTRY_ROOT=$work/registry
  export CW_APPLICATIONS_FOLDER=$work/Apps NO_AT_BRIDGE=1
  [ "$mode" = service ] && start_service "$work"
  mkdir -p "$work/bin" && cp "$exe" "$work/bin/cw_downloader"
  "$work/bin/cw_downloader" >"$work/out.txt" 2>&1 &
  local pid=$! log=""
  for _ in $(seq 100); do
    log=$(grep -l "First frame painted" "$work"/data/CWDownloader/logs/*/*.log 2>/dev/null | head -1 || true)
    [ -n "$log" ] && break
    sleep 0.1
  done
  local first; first=$(grep -o "First frame painted [0-9]* ms" "$log" | grep -o "[0-9]*")
  local id; id=$(xdotool search --sync --name "Quorla Murmelon" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + 325)) $((Y + 246)) click 1   # Install
  sleep 2.5                                            # the running page, before the first slide (7 s)
  local hz; hz=$(getconf CLK_TCK)
  local t0; t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  threads() { for t in /proc/$pid/task/*; do echo "${t##*/} $(cat "$t/comm") $(awk '{print $14 + $15}' "$t/stat")"; done; }
  [ -n "${CW_THREAD_CPU:-}" ] && threads >"$work/threads0"
  sleep 4
  local t1; t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  if [ -n "${CW_THREAD_CPU:-}" ]; then  # where those 4 s went, per thread (ticks)
    threads | join - "$work/threads0" | awk '$3 != $5 {print "  thread", $1, $2, $3 - $5}' >&2
  fi
  sleep 2                                              # the first slide
  local hwm; hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  [ -e "$work/devserver.pid" ] && { kill "$(cat "$work/devserver.pid")" 2>/dev/null || true; rm -f "$work/devserver.pid"; }
  echo "$first $(( (t1 - t0) * 1000 / hz )) $hwm"
}
if [ -n "${inner:-}" ]; then one_run "$3" "$4"; exit; fi

# One set of per-user folders for all runs of a setting: the first builds the
# font cache (a first start on the machine), the others start as later ones do.
[ "$modes" = both ] && modes="offline service"
for mode in $modes; do
  work=$(mktemp -d)
  printf "%-9s %-8s %18s %26s %14s\n" run setting "first frame (ms)" "CPU between slides (ms/4s)" "peak RSS (MiB)"
  for r in $(seq "$runs"); do
    # The font cache under cache/ stays: later runs start as later starts do.
    rm -rf "$work/data" "$work/cache/CWDownloader" "$work/Apps" "$work"/*.sock* "$work"/*.lock
    read -r first cpu hwm < <(xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inner "$exe" 1 "$work" "$mode")
    printf "%-9s %-8s %18s %26s %14s\n" "$r$([ "$r" = 1 ] && echo " (cold)")" "$mode" "$first" "$cpu" "$((hwm / 1024))"
  done
  rm -rf "$work"
done
