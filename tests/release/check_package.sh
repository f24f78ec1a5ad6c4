#!/bin/sh
# check_package.sh <zip> <work folder> <runner> <demo.exe> [<ready table's folder>...]
#
# The release zip as a user meets it: its names as two unpackers read them,
# its text files as Notepad shows them, unpacked into a fresh folder whose
# path has spaces and Chinese characters, the program started there (by
# <runner>, the Wine wrapper, through demo.exe), one query of 字, which
# must show 5554; then in each ready table's folder (those named, or all),
# its starter opened as Explorer opens a double-clicked file, from the
# package's folder: it ends, leaves nothing but the program on the screen,
# and the program shows that method's code of 字, read from that folder's
# table. Last, the folder byte for byte as it was unpacked. Each code's
# window is saved in <work folder>/screenshots.
set -eu
zip=$1 work=$2 runner=$3 driver=$4
shift 4
dir="$work/下载/Selvane 查询 2.3"
app="Selvane查询.exe"
starter="用这个码表查询.exe"
shots="$work/screenshots"
# Each ready table's folder and what 字 shows there, codes shorter than
# four padded as make_table pads them.
codes="五笔86|pbf 
行列30|ngf 
电码（大陆）|1316
电码（台湾）|1316
四角号码|3040
郑码|wdya
速成|jd  "

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$dir" "$shots"
# Python's zipfile reads names as UTF-8 only where the zip's bit 11 says
# so; without it the Chinese names come out garbled and the checks below
# fail.
python3 -m zipfile -e "$zip" "$dir"
expected=$(LC_ALL=C sort <<'NAMES' | tr '\n' ' '
./Selvane查询.exe
./make_table.exe
./z.dat
./说明.txt
./码表/五笔86/wubi86.dict.yaml.xz
./码表/五笔86/z.dat
./码表/五笔86/用这个码表查询.exe
./码表/五笔86/来源.txt
./码表/五笔86/许可证-GPL-3.0.txt
./码表/五笔86/许可证-LGPL-3.0.txt
./码表/四角号码/z.dat
./码表/四角号码/用这个码表查询.exe
./码表/四角号码/来源.txt
./码表/四角号码/许可证-Unicode.txt
./码表/电码（台湾）/z.dat
./码表/电码（台湾）/用这个码表查询.exe
./码表/电码（台湾）/来源.txt
./码表/电码（台湾）/许可证-Unicode.txt
./码表/电码（大陆）/z.dat
./码表/电码（大陆）/用这个码表查询.exe
./码表/电码（大陆）/来源.txt
./码表/电码（大陆）/许可证-Unicode.txt
./码表/行列30/array30_main.dict.yaml.xz
./码表/行列30/z.dat
./码表/行列30/用这个码表查询.exe
./码表/行列30/来源.txt
./码表/行列30/许可证-GPL-3.0.txt
./码表/行列30/许可证-行列输入法.txt
./码表/速成/quick-classic.db.xz
./码表/速成/z.dat
./码表/速成/用这个码表查询.exe
./码表/速成/来源.txt
./码表/速成/许可证-GPL-3.0.txt
./码表/郑码/zhengma.mb.xz
./码表/郑码/z.dat
./码表/郑码/用这个码表查询.exe
./码表/郑码/来源.txt
./码表/郑码/许可证-GPL-2.0.txt
NAMES
)
names=$(cd "$dir" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "$expected" ] || fail "the zip unpacks to: $names"
# A second, independent reader lists the same names: 7-Zip. It takes a
# name that is valid UTF-8 as UTF-8 with or without bit 11 (measured), so
# the flag itself is Python's to check, above.
names=$(LC_ALL=C.UTF-8 7zz l -slt -ba "$zip" | sed -n 's|^Path = |./|p' | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "$expected" ] || fail "7-Zip lists: $names"

# The guide, the sources and the licences as Notepad on any Windows shows
# them: a byte order mark, and every line ending in CRLF.
cr=$(printf '\r')
for text in "$dir"/说明.txt "$dir"/码表/*/*.txt; do
  [ "$(head -c 3 "$text" | od -An -tx1 | tr -d ' \n')" = efbbbf ] || fail "$text has no BOM"
  lines=$(wc -l <"$text")
  [ "$(grep -c "$cr\$" "$text")" = "$lines" ] || fail "$text has lines without CRLF"
done
guide="$dir/说明.txt"
grep -q "输入一个汉字，按回车" "$guide" || fail "说明.txt lacks the user guide"
grep -q "改成那个文件夹" "$guide" || fail "说明.txt does not say how to use a ready table"
grep -q "双击那个文件夹里的 用这个码表查询.exe" "$guide" || fail "说明.txt does not say how to use a starter"
! grep -q '\*\*\|`\|!\[' "$guide" || fail "说明.txt still has Markdown marks"
grep -q "用大字显示它的编码" "$guide" || fail "说明.txt does not say in words what the picture shows"

# Every folder's starter is the same exe, so that the folders whose
# starters run below stand for all: what differs is the folder's name.
for exe in "$dir"/码表/*/"$starter"; do
  cmp -s "$exe" "$dir/码表/五笔86/$starter" || fail "$exe is not the starter the other folders have"
done

snapshot() { (cd "$dir" && find . -type f -exec sha256sum {} + | LC_ALL=C sort && find . | LC_ALL=C sort); }
before=$(snapshot)

# The program beside the bundled table, started there; then each ready
# table's starter, opened from the package's folder, where the bundled
# table would answer 5554 if the program were started anywhere else. The
# program stays up after the query; close it whatever happens.
trap '"$runner" "$driver" close "$dir/$app" >/dev/null 2>&1 || true' EXIT
cd "$dir"
"$runner" "$driver" query "$dir/$app" 字 "$work/shown.txt" "$shots/package.png"
[ "$(cat "$work/shown.txt")" = 5554 ] || fail "字 shows '$(cat "$work/shown.txt")' beside the exe, not 5554"
"$runner" "$driver" close "$dir/$app" || fail "the program did not close cleanly"
echo "字 -> 5554 beside the exe"
echo "$codes" | while IFS='|' read -r folder code; do
  if [ $# -gt 0 ]; then
    case " $* " in *" $folder "*) ;; *) continue ;; esac
  fi
  "$runner" "$driver" open "$dir/码表/$folder/$starter" "$dir/$app" 字 "$work/shown.txt" \
    "$shots/$folder.png" || fail "the starter of $folder did not start the program"
  shown=$(cat "$work/shown.txt")
  [ "$shown" = "$code" ] || fail "字 shows '$shown' when started from $folder, not '$code'"
  "$runner" "$driver" close "$dir/$app" || fail "the program did not close cleanly"
  echo "字 -> '$shown' started by 码表/$folder/$starter"
done
trap - EXIT

[ "$(snapshot)" = "$before" ] || fail "the unpacked folder changed while the program ran"
echo "the folder $dir is unchanged"
