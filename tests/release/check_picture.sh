#!/bin/sh
# check_picture.sh <runner> <demo.exe> <exe> <table> <work folder> <picture>
#
# The picture of the window in the README's user part is what the release
# exe shows after a query of 字, pixel for pixel: made again the same way
# ('./dev picture'), it shows the same pixels.
set -eu
runner=$1 demo=$2 exe=$3 table=$4 work=$5 picture=$6
rm -rf "$work" && mkdir -p "$work" && cp "$table" "$work/"
cd "$work"
trap '"$runner" "$demo" close "$exe" >/dev/null 2>&1 || true' EXIT
"$runner" "$demo" query "$exe" 字 "$work/label.txt" "$work/screenshot.png"
png=$(dirname "$0")/../../scripts/png.py
if ! python3 "$png" same "$work/screenshot.png" "$picture"; then
  echo "FAIL: $picture is not what the window shows now ($work/screenshot.png): run ./dev picture" >&2
  exit 1
fi
echo "the README's picture is what the window shows"
