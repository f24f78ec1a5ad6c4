#!/bin/sh
# check_package.sh <zip> <work folder> <runner> <demo.exe>
#
# The release zip as a user meets it: its names as two unpackers read them,
# unpacked into a fresh folder whose path has spaces and Chinese
# characters, the program started there (by
# <runner>, the Wine wrapper, through demo.exe), one query of 字, which
# must show 5554, and the folder byte for byte as it was unpacked.
set -eu
zip=$1 work=$2 runner=$3 driver=$4
dir="$work/下载/Selvane 查询 2.3"
app="Selvane查询.exe"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$dir"
# Python's zipfile reads names as UTF-8 only where the zip's bit 11 says
# so; without it the Chinese names come out garbled and the checks below
# fail.
python3 -m zipfile -e "$zip" "$dir"
expected="./Selvane查询.exe ./make_table.exe ./z.dat ./说明.txt "
names=$(cd "$dir" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "$expected" ] || fail "the zip unpacks to: $names"
# A second, independent reader lists the same names: 7-Zip. It takes a
# name that is valid UTF-8 as UTF-8 with or without bit 11 (measured), so
# the flag itself is Python's to check, above.
names=$(LC_ALL=C.UTF-8 7zz l -slt -ba "$zip" | sed -n 's|^Path = |./|p' | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "$expected" ] || fail "7-Zip lists: $names"

# The guide as Notepad on any Windows shows it: a byte order mark, and
# every line ending in CRLF.
guide="$dir/说明.txt"
[ "$(head -c 3 "$guide" | od -An -tx1 | tr -d ' \n')" = efbbbf ] || fail "说明.txt has no BOM"
cr=$(printf '\r')
lines=$(wc -l <"$guide")
[ "$(grep -c "$cr\$" "$guide")" = "$lines" ] || fail "说明.txt has lines without CRLF"
grep -q "输入一个汉字，按回车" "$guide" || fail "说明.txt lacks the user guide"
! grep -q '\*\*\|`\|!\[' "$guide" || fail "说明.txt still has Markdown marks"
grep -q "用大字显示它的编码" "$guide" || fail "说明.txt does not say in words what the picture shows"

snapshot() { (cd "$dir" && find . -type f -exec sha256sum {} + | LC_ALL=C sort && find . | LC_ALL=C sort); }
before=$(snapshot)

cd "$dir"
# The program stays up after the query; close it whatever happens.
trap '"$runner" "$driver" close "$dir/$app" >/dev/null 2>&1 || true' EXIT
"$runner" "$driver" query "$dir/$app" 字 "$work/shown.txt"
shown=$(cat "$work/shown.txt")
[ "$shown" = 5554 ] || fail "字 shows '$shown'"
trap - EXIT
"$runner" "$driver" close "$dir/$app" || fail "the program did not close cleanly"

[ "$(snapshot)" = "$before" ] || fail "the unpacked folder changed while the program ran"
echo "字 -> $shown in $dir; the folder is unchanged"
