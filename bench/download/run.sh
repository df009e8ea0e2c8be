#!/usr/bin/env bash
# Download benchmark: our engine (tools/dlcli) against aria2c, axel and curl,
# fetching the same file from nginx on loopback. Prints wall time, CPU time and
# peak RSS per tool (median of the runs) and the ratios the targets speak of.
#
#   bench/download/run.sh [runs per tool, default 3]
#
# Environment: BUILD (build folder with cw_dlcli, default "build"), BENCH_DIR
# (scratch folder, default a new one under $TMPDIR), CASES ("a b" by default).
set -euo pipefail
cd "$(dirname "$0")/../.."

runs=${1:-3}
build=${BUILD:-build}
cases=${CASES:-"a b"}
dlcli="$build/tools/dlcli/cw_dlcli"

for tool in nginx aria2c axel curl; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/sbin/$tool" ] || { echo "bench: $tool is not installed" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time is not installed (package time)" >&2; exit 1; }
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
if [ ! -x "$dlcli" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
  cmake --build "$build" --target cw_dlcli
fi

work=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/cw-bench-XXXXXX")}
mkdir -p "$work/root" "$work/out" "$work/tmp"
chmod 755 "$work" "$work/root"
nginx_pid=""
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  [ -z "${BENCH_DIR:-}" ] && rm -rf "$work"
}
trap cleanup EXIT

# Test files: random bytes, made once.
make_file() {  # name MiB
  [ -f "$work/root/$1" ] || head -c $(($2 * 1024 * 1024)) /dev/urandom > "$work/root/$1"
  chmod 644 "$work/root/$1"
}
make_file a.bin 1024
make_file b.bin 256

port=$((20000 + RANDOM % 40000))
user_line=""
[ "$(id -u)" -eq 0 ] && user_line="user root;"
cat > "$work/nginx.conf" <<EOF
$user_line
worker_processes 2;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 1024; }
http {
  log_format cw '\$status \$body_bytes_sent';
  access_log $work/access.log cw;
  client_body_temp_path $work/tmp;
  proxy_temp_path $work/tmp;
  fastcgi_temp_path $work/tmp;
  uwsgi_temp_path $work/tmp;
  scgi_temp_path $work/tmp;
  default_type application/octet-stream;
  sendfile on;
  tcp_nopush on;
  server {
    listen 127.0.0.1:$port;
    root $work/root;
    location = /b.bin { limit_rate 20m; }
  }
}
EOF
"$nginx_bin" -e "$work/error.log" -p "$work" -c "$work/nginx.conf" -g "daemon off;" &
nginx_pid=$!
for _ in $(seq 50); do curl -sf -o /dev/null -I "http://127.0.0.1:$port/b.bin" && break; sleep 0.1; done

out="$work/out/file.bin"
clean_out() { rm -f "$out" "$out.xml" "$out.db" "$out.aria2" "$out.st"; }

# One run: prints "wall cpu rss_kib".
measure() {  # tool url
  clean_out
  local cmd
  case $1 in
    engine) cmd=("$dlcli" "$2" "$out" --log /dev/null) ;;
    aria2c) cmd=(aria2c -q -x4 -s4 -k4M --allow-overwrite=true --auto-file-renaming=false -d "$work/out" -o file.bin "$2") ;;
    axel) cmd=(axel -q -n 4 -o "$out" "$2") ;;
    curl) cmd=(curl -s -o "$out" "$2") ;;
  esac
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "${cmd[@]}" >/dev/null 2>&1 || { echo "bench: $1 failed" >&2; exit 1; }
  local expected actual
  expected=$(stat -c %s "$work/root/$(basename "$2")")
  actual=$(stat -c %s "$out")
  [ "$expected" = "$actual" ] || { echo "bench: $1 wrote $actual of $expected bytes" >&2; exit 1; }
  awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' "$work/time.txt"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

tools="engine aria2c axel curl"
for c in $cases; do
  url="http://127.0.0.1:$port/$c.bin"
  rm -f "$work"/res-"$c"-*
  for r in $(seq "$runs"); do
    for t in $tools; do measure "$t" "$url" >> "$work/res-$c-$t"; done
  done
  if [ "$c" = a ]; then title="(a) 1 GiB, unthrottled"; else title="(b) 256 MiB, nginx limit_rate 20m per connection (4-connection limit 3.20 s)"; fi
  echo
  echo "$title, median of $runs alternating runs"
  printf "%-8s %9s %9s %10s %12s %12s\n" tool wall_s cpu_s rss_MiB engine/wall engine/cpu
  ew=$(cut -d' ' -f1 "$work/res-$c-engine" | median)
  ec=$(cut -d' ' -f2 "$work/res-$c-engine" | median)
  for t in $tools; do
    w=$(cut -d' ' -f1 "$work/res-$c-$t" | median)
    cpu=$(cut -d' ' -f2 "$work/res-$c-$t" | median)
    rss=$(cut -d' ' -f3 "$work/res-$c-$t" | sort -n | tail -1)
    awk -v t="$t" -v w="$w" -v c="$cpu" -v r="$rss" -v ew="$ew" -v ec="$ec" \
      'BEGIN { printf "%-8s %9.2f %9.2f %10.1f %12.2f %12.2f\n", t, w, c, r / 1024, ew / w, (c > 0 ? ec / c : 0) }'
  done
  if [ "$c" = b ]; then awk -v ew="$ew" 'BEGIN { printf "engine / 4-connection limit: %.3f\n", ew / 3.2 }'; fi
done

# Resume after kill -9: share of the 1 GiB file fetched twice.
if [[ " $cases " == *" a "* ]]; then
  echo
  echo "kill -9 at a random point of (a), then resume: bytes fetched again"
  full=$(cut -d' ' -f1 "$work/res-a-engine" | median)
  size=$(stat -c %s "$work/root/a.bin")
  for r in $(seq "$runs"); do
    clean_out
    : > "$work/access.log"
    kill -USR1 "$nginx_pid"  # reopen the log
    sleep 0.2
    delay=$(awk -v f="$full" -v s="$RANDOM" 'BEGIN { srand(s); printf "%.2f", f * (0.2 + 0.6 * rand()) }')
    "$dlcli" "http://127.0.0.1:$port/a.bin" "$out" --log /dev/null >/dev/null 2>&1 &
    pid=$!
    sleep "$delay"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    "$dlcli" "http://127.0.0.1:$port/a.bin" "$out" --log /dev/null >/dev/null 2>&1
    cmp -s "$out" "$work/root/a.bin" || { echo "bench: resumed file differs" >&2; exit 1; }
    sent=$(awk '{ s += $2 } END { print s + 0 }' "$work/access.log")
    awk -v s="$sent" -v n="$size" -v d="$delay" \
      'BEGIN { printf "killed after %ss: %.2f %% of the file fetched again\n", d, (s - n) * 100 / n }'
  done
fi
