#!/usr/bin/env bash
# The main job: starts the program with its embedded defaults and shows where
# it wrote its log.
set -euo pipefail
build=${1:-build}
"$build/cw_downloader"
logs="${XDG_DATA_HOME:-$HOME/.local/share}/CWDownloader/logs"
latest=$(ls -t "$logs"/*/*.log 2>/dev/null | head -n 1 || true)
if [ -n "$latest" ]; then
  echo "run-demo: the log of this run is $latest"
fi
