#!/usr/bin/env bash
# Download benchmark: our engine (tools/dlcli) against aria2c, axel and curl,
# fetching the same file from nginx on loopback, directly or through the link
# simulator (bench/download/linksim). Prints wall time, CPU time and peak RSS
# per tool (median of the runs), the ratio to the link's limit and the ratios
# the targets speak of.
#
#   bench/download/run.sh [runs per case, default 3]
#
# Environment: BUILD (build folder with cw_dlcli and cw_linksim, default
# "build"), BENCH_DIR (scratch folder, default a new one under $TMPDIR), CASES
# (default "a b slow medium cdn resets noranges"), RUNS_<case> (runs of that
# case; RUNS_slow and RUNS_resets default to 1), TOOL_TIMEOUT (seconds before a
# tool is stopped and counted as failed), SLOW_START=1 (the simulator models
# TCP slow start).
set -euo pipefail
cd "$(dirname "$0")/../.."

runs=${1:-3}
build=${BUILD:-build}
cases=${CASES:-"a b slow medium cdn resets noranges"}
dlcli="$build/tools/dlcli/cw_dlcli"
linksim="$build/bench/download/linksim/cw_linksim"
: "${RUNS_slow:=1}" "${RUNS_resets:=1}"

for tool in nginx aria2c axel curl md5sum timeout; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/sbin/$tool" ] || { echo "bench: $tool is not installed" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time is not installed (package time)" >&2; exit 1; }
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)
if [ ! -x "$dlcli" ] || [ ! -x "$linksim" ]; then
  cmake -S . -B "$build" -G Ninja >/dev/null
  cmake --build "$build" --target cw_dlcli cw_linksim
fi

work=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/cw-bench-XXXXXX")}
mkdir -p "$work/root" "$work/out" "$work/tmp"
chmod 755 "$work" "$work/root"
nginx_pid=""
link_pid=""
cleanup() {
  [ -n "$link_pid" ] && kill "$link_pid" 2>/dev/null && wait "$link_pid" 2>/dev/null || true
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  [ -z "${BENCH_DIR:-}" ] && rm -rf "$work"
}
trap cleanup EXIT

# Per case: file name, MiB, title, link simulator arguments ("-" for direct),
# limit in seconds for the file's bits over the usable capacity ("-" for none),
# per-tool time limit in seconds.
mib_of() { case $1 in a) echo 1024 ;; b) echo 256 ;; slow) echo 20 ;; medium | cdn) echo 64 ;; resets | noranges) echo 24 ;; esac; }
link_of() {
  case $1 in
    slow) echo "--rate-mbit 3 --rtt-ms 100" ;;
    medium) echo "--rate-mbit 100 --rtt-ms 80" ;;
    cdn) echo "--rate-mbit 400 --per-conn-mbit 20 --rtt-ms 40" ;;
    resets) echo "--cut-share 0.3" ;;
    *) echo - ;;
  esac
}
# Usable capacity in Mbit/s; for the CDN case the smaller of the shared link and four capped connections.
mbit_of() { case $1 in b) echo 671.088640 ;; slow) echo 3 ;; medium) echo 100 ;; cdn) echo 80 ;; *) echo - ;; esac; }
title_of() {
  case $1 in
    a) echo "(a) 1 GiB, unthrottled" ;;
    b) echo "(b) 256 MiB, nginx limit_rate 20m per connection" ;;
    slow) echo "(slow) 20 MiB, 3 Mbit/s shared, 100 ms RTT" ;;
    medium) echo "(medium) 64 MiB, 100 Mbit/s shared, 80 ms RTT" ;;
    cdn) echo "(cdn) 64 MiB, 400 Mbit/s shared, 20 Mbit/s per connection, 40 ms RTT" ;;
    resets) echo "(resets) 24 MiB, loopback, 30 % of responses cut by a reset at a random body byte" ;;
    noranges) echo "(noranges) 24 MiB, loopback, the server ignores Range (nginx max_ranges 0)" ;;
  esac
}
limit_of() {  # case -> seconds or "-"
  local mbit
  mbit=$(mbit_of "$1")
  [ "$mbit" = - ] && { echo -; return; }
  awk -v m="$(mib_of "$1")" -v r="$mbit" 'BEGIN { printf "%.3f", m * 1048576 * 8 / (r * 1e6) }'
}
timeout_of() {  # a stuck tool is stopped after this many seconds and counted as failed
  [ -n "${TOOL_TIMEOUT:-}" ] && { echo "$TOOL_TIMEOUT"; return; }
  local l
  l=$(limit_of "$1")
  case $1 in
    a) echo 120 ;;
    resets | noranges) echo 300 ;;  # the engine's stall watch alone waits 60 s per start
    *) awk -v l="$l" 'BEGIN { t = 4 * l; print int(t < 60 ? 60 : t) }' ;;
  esac
}

for c in $cases; do
  [ -n "$(mib_of "$c")" ] || { echo "bench: unknown case $c" >&2; exit 1; }
done

# Test files: random bytes, made once.
make_file() {  # name MiB
  [ -f "$work/root/$1" ] || head -c $(($2 * 1024 * 1024)) /dev/urandom > "$work/root/$1"
  chmod 644 "$work/root/$1"
}
for c in $cases; do make_file "$c.bin" "$(mib_of "$c")"; done

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
    location = /noranges.bin { max_ranges 0; }
  }
}
EOF
"$nginx_bin" -e "$work/error.log" -p "$work" -c "$work/nginx.conf" -g "daemon off;" &
nginx_pid=$!
first=${cases%% *}
for _ in $(seq 50); do curl -sf -o /dev/null -I "http://127.0.0.1:$port/$first.bin" && break; sleep 0.1; done

# The link simulator in front of nginx, fresh for each run so that every tool
# meets the same link (and, for the resets, the same seed). Sets link_port.
start_link() {  # arguments for cw_linksim
  : > "$work/linksim.out"
  "$linksim" --upstream "127.0.0.1:$port" --listen-port 0 "$@" > "$work/linksim.out" 2> "$work/linksim.err" &
  link_pid=$!
  link_port=""
  for _ in $(seq 100); do
    link_port=$(sed -n 's/^linksim 127\.0\.0\.1:\([0-9]*\) .*/\1/p' "$work/linksim.out")
    [ -n "$link_port" ] && return 0
    sleep 0.05
  done
  echo "bench: cw_linksim did not start" >&2
  cat "$work/linksim.err" >&2
  exit 1
}
stop_link() {
  kill "$link_pid" 2>/dev/null || true
  wait "$link_pid" 2>/dev/null || true
  link_pid=""
}

out="$work/out/file.bin"
clean_out() { rm -f "$out" "$out.xml" "$out.db" "$out.aria2" "$out.st"; }

# One run: prints "ok wall cpu rss_kib", or "fail reason".
measure() {  # tool url expected-file check-md5 time-limit
  clean_out
  local cmd rc=0
  case $1 in
    engine) cmd=("$dlcli" "$2" "$out" --attempts 12 --log /dev/null) ;;
    aria2c) cmd=(aria2c -q -x4 -s4 -k4M --allow-overwrite=true --auto-file-renaming=false -d "$work/out" -o file.bin "$2") ;;
    axel) cmd=(axel -q -n 4 -o "$out" "$2") ;;
    curl) cmd=(curl -s -o "$out" "$2") ;;
  esac
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" timeout -k 5 "$5" "${cmd[@]}" >"$work/tool.out" 2>&1 || rc=$?
  # The engine's starts (the install flow's resume loop), as cw_dlcli reports them.
  local starts
  starts=$(sed -n 's/.*attempts=\([0-9]*\).*/\1/p' "$work/tool.out" | tail -1)
  [ -n "$starts" ] || starts=-
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then echo "fail timeout_${5}s"; return; fi
  if [ "$rc" -ne 0 ]; then
    if [ "$starts" = - ]; then echo "fail exit_$rc"; else echo "fail exit_${rc}_after_${starts}_starts"; fi
    return
  fi
  local expected actual
  expected=$(stat -c %s "$3")
  actual=$(stat -c %s "$out" 2>/dev/null || echo 0)
  if [ "$expected" != "$actual" ]; then echo "fail size_${actual}_of_$expected"; return; fi
  if [ "$4" = md5 ] && [ "$(md5sum < "$out")" != "$(md5sum < "$3")" ]; then echo "fail md5_differs"; return; fi
  awk -v s="$starts" '{ printf "ok %.3f %.3f %d %s\n", $1, $2 + $3, $4, s }' "$work/time.txt"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

tools="engine aria2c axel curl"
for c in $cases; do
  runs_var="RUNS_$c"
  n=${!runs_var:-$runs}
  file="$work/root/$c.bin"
  link=$(link_of "$c")
  limit=$(limit_of "$c")
  tmax=$(timeout_of "$c")
  check=size
  case $c in a | b) ;; *) check=md5 ;; esac
  rm -f "$work"/res-"$c"-* "$work"/cuts-"$c"-*
  for r in $(seq "$n"); do
    for t in $tools; do
      url="http://127.0.0.1:$port/$c.bin"
      if [ "$link" != - ]; then
        # shellcheck disable=SC2086  # the case's simulator arguments are words
        start_link $link --seed "$r" ${SLOW_START:+--slow-start}
        url="http://127.0.0.1:$link_port/$c.bin"
      fi
      measure "$t" "$url" "$file" "$check" "$tmax" >> "$work/res-$c-$t"
      if [ "$link" != - ]; then
        stop_link
        sed -n 's/.* \([0-9]*\) responses, \([0-9]*\) cut$/\2 \1/p' "$work/linksim.err" >> "$work/cuts-$c-$t"
      fi
    done
  done

  echo
  echo "$(title_of "$c"), median of $n alternating run(s)"
  if [ "$limit" != - ]; then
    echo "limit: file bits / usable capacity ($(mbit_of "$c") Mbit/s) = $limit s"
  fi
  printf "%-8s %9s %9s %10s %9s %12s %12s  %s\n" tool wall_s cpu_s rss_MiB x_limit engine/wall engine/cpu note
  ew=$(awk '$1 == "ok" { print $2 }' "$work/res-$c-engine" | median)
  ec=$(awk '$1 == "ok" { print $3 }' "$work/res-$c-engine" | median)
  for t in $tools; do
    w=$(awk '$1 == "ok" { print $2 }' "$work/res-$c-$t" | median)
    cpu=$(awk '$1 == "ok" { print $3 }' "$work/res-$c-$t" | median)
    rss=$(awk '$1 == "ok" { print $4 }' "$work/res-$c-$t" | sort -n | tail -1)
    fails=$(awk '$1 == "fail" { f[$2]++ } END { for (k in f) printf "%s%s x%d", (n++ ? ", " : ""), k, f[k] }' "$work/res-$c-$t")
    note=""
    if [ "$t" = engine ]; then
      note=$(awk '$1 == "ok" && $5 != "-" { s = s (s == "" ? "" : " ") $5 } END { if (s != "") print "starts " s }' "$work/res-$c-$t")
    fi
    [ -n "$fails" ] && note="${note:+$note; }failed: $fails"
    if [ -s "$work/cuts-$c-$t" ] && [ "$c" = resets ]; then
      note="$(awk '{ c += $1; r += $2 } END { printf "%d of %d responses cut", c, r }' "$work/cuts-$c-$t")${note:+; $note}"
    fi
    if [ "$w" = - ]; then
      printf "%-8s %9s %9s %10s %9s %12s %12s  %s\n" "$t" - - - - - - "$note"
      continue
    fi
    awk -v t="$t" -v w="$w" -v c="$cpu" -v r="$rss" -v ew="$ew" -v ec="$ec" -v l="$limit" -v note="$note" 'BEGIN {
      x = (l == "-") ? "-" : sprintf("%.3f", w / l)
      ewr = (ew == "-") ? "-" : sprintf("%.2f", ew / w)
      ecr = (ec == "-" || c <= 0) ? "-" : sprintf("%.2f", ec / c)
      printf "%-8s %9.2f %9.2f %10.1f %9s %12s %12s  %s\n", t, w, c, r / 1024, x, ewr, ecr, note
    }'
  done
  aw=$(awk '$1 == "ok" { print $2 }' "$work/res-$c-aria2c" | median)
  xw=$(awk '$1 == "ok" { print $2 }' "$work/res-$c-axel" | median)
  cw=$(awk '$1 == "ok" { print $2 }' "$work/res-$c-curl" | median)
  cc=$(awk '$1 == "ok" { print $3 }' "$work/res-$c-curl" | median)
  goal=""
  case $c in
    a) goal="engine wall <= 0.8 x aria2c, wall and cpu <= 1.2 x curl" ;;
    b) goal="engine <= 1.05 x limit and <= axel" ;;
    slow) goal="engine <= 1.05 x limit and <= aria2c" ;;
    medium) goal="engine <= 1.05 x limit" ;;
    cdn) goal="engine <= 1.05 x the 4-connection limit" ;;
    resets) goal="engine <= 5 s" ;;
    noranges) goal="engine completes with the right MD5" ;;
  esac
  if [ -n "$goal" ]; then
    met=$(awk -v c="$c" -v ew="$ew" -v l="$limit" -v aw="$aw" -v xw="$xw" -v cw="$cw" -v ec="$ec" -v cc="$cc" 'BEGIN {
      if (ew == "-") { print "not met (failed)"; exit }
      ok = 1
      if (c == "a") ok = aw != "-" && cw != "-" && ew <= 0.8 * aw && ew <= 1.2 * cw && ec <= 1.2 * cc
      if (c == "b") ok = xw != "-" && ew <= xw
      if (c == "b" || c == "slow" || c == "medium" || c == "cdn") ok = ok && ew <= 1.05 * l
      if (c == "slow") ok = ok && aw != "-" && ew <= aw
      if (c == "resets") ok = ok && ew <= 5
      print ok ? "met" : "not met"
    }')
    echo "goal: $goal: $met"
  fi
done

# Resume after kill -9: share of the 1 GiB file fetched twice.
if [[ " $cases " == *" a "* ]]; then
  echo
  echo "kill -9 at a random point of (a), then resume: bytes fetched again"
  full=$(awk '$1 == "ok" { print $2 }' "$work/res-a-engine" | median)
  [ "$full" = - ] && full=2
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
    if ! "$dlcli" "http://127.0.0.1:$port/a.bin" "$out" --log /dev/null >/dev/null 2>&1; then
      echo "killed after ${delay}s: the resumed run failed"
      continue
    fi
    if ! cmp -s "$out" "$work/root/a.bin"; then
      echo "killed after ${delay}s: the resumed file differs"
      continue
    fi
    sent=$(awk '{ s += $2 } END { print s + 0 }' "$work/access.log")
    awk -v s="$sent" -v n="$size" -v d="$delay" \
      'BEGIN { printf "killed after %ss: %.2f %% of the file fetched again\n", d, (s - n) * 100 / n }'
  done
fi
