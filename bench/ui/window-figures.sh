#!/usr/bin/env bash
# The installer's window on an X server of its own (Xvfb): time from the
# start to the first painted frame (from the program's log), processor time
# while the running page waits between slides, and the peak memory after the
# first slide. Per-user folders in a temporary folder; no service is reached
# (the download attempts fail, as with no network).
#   bench/ui/window-figures.sh [PROGRAM] [RUNS]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${1:-}" = "--inner" ]; then inner=1; shift; fi
exe=$(realpath "${1:-$here/build/cw_downloader}")
runs=${2:-5}
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "needs xvfb-run and xdotool" >&2; exit 2; }

one_run() {
  local work=$1
  export XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work CW_REGISTRY_ROOT=$work/registry
  export NO_AT_BRIDGE=1
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
  sleep 4
  local t1; t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep 2                                              # the first slide
  local hwm; hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$first $(( (t1 - t0) * 1000 / hz )) $hwm"
}
if [ -n "${inner:-}" ]; then one_run "$3"; exit; fi

# One set of per-user folders for all runs: the first builds the font
# cache (a first start on the machine), the others start as later ones do.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf "%-9s %18s %26s %14s\n" run "first frame (ms)" "CPU between slides (ms/4s)" "peak RSS (MiB)"
for r in $(seq "$runs"); do
  rm -rf "$work/data" "$work"/*.sock* "$work"/*.lock
  read -r first cpu hwm < <(xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inner "$exe" 1 "$work")
  printf "%-9s %18s %26s %14s\n" "$r$([ "$r" = 1 ] && echo " (cold)")" "$first" "$cpu" "$((hwm / 1024))"
done
