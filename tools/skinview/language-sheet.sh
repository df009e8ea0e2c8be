#!/usr/bin/env bash
# Renders one layout in all twenty languages and puts the pictures side by
# side on one sheet (ImageMagick's montage), to look at every language at once.
#   tools/skinview/language-sheet.sh OUT.png [LAYOUT] [cw_skinview options...]
set -euo pipefail
out=${1:?usage: language-sheet.sh OUT.png [LAYOUT] [cw_skinview options...]}
layout=${2:-InstallMainWnd.xml}
shift $(( $# >= 2 ? 2 : 1 ))
here=$(cd "$(dirname "$0")/../.." && pwd)
view=${CW_SKINVIEW:-$here/build/tools/skinview/cw_skinview}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pictures=()
for code in en ja zhcn es de fr ru pt ar it zhtw ko nl id tr hi th my se cz; do
  "$view" "$layout" "$work/$code.png" --lang "$code" "$@" >/dev/null
  pictures+=(-label "$code" "$work/$code.png")
done
montage "${pictures[@]}" -tile 5x -geometry +6+6 -pointsize 16 -font "$(fc-match -f "%{file}" "Noto Sans")" "$out"
echo "$out"
