#!/bin/sh
# make_table_exe.sh <runner> <make_table.exe> <native make_table> <work folder>
#
# make_table.exe under Wine (WoW64) beside the native tool, in folders whose
# names have Chinese characters and spaces, given the table alone, as
# Explorer passes a file dropped on it:
# - Debian's wubi86 table to z.dat beside it, in GBK and in UTF-8, on a
#   Chinese system and on a Western one (ANSI code page 1252, which cannot
#   hold the folder's name): byte for byte what the native tool makes;
# - a malformed table, from cmd.exe in a console of its own with the
#   output redirected: a message in the console's code page (936) naming
#   the file and the line, exit status 1, and nothing left behind.
set -eu
runner=$1 exe=$2 native=$3 work=$4
wubi86=/usr/share/rime-data/wubi86.dict.yaml

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
cd "$work"

# locale, options, folder
while IFS='|' read -r locale options folder; do
  mkdir -p "$folder" "native $folder"
  cp "$wubi86" "$folder/"
  cp "$wubi86" "native $folder/"
  # shellcheck disable=SC2086 # the options are words
  "$native" "native $folder/wubi86.dict.yaml" $options >/dev/null
  SV_WINE_LOCALE=$locale "$runner" "$exe" "$folder/wubi86.dict.yaml" $options >out.txt ||
    fail "make_table.exe $options on $locale: $(cat out.txt)"
  grep -q "^已把 [0-9,]* 个字写入 $folder/z.dat" out.txt || fail "the summary reads: $(cat out.txt)"
  cmp "$folder/z.dat" "native $folder/z.dat" || fail "$folder/z.dat differs from the native tool's"
  echo "$locale${options:+ $options}: $(wc -c <"$folder/z.dat") bytes," \
    "SHA-256 $(sha256sum <"$folder/z.dat" | cut -d" " -f1) as the native tool's; $(head -n 1 out.txt)"
done <<'CASES'
zh_CN.UTF-8||五笔 码表
en_US.UTF-8||Western 系统 五笔
zh_CN.UTF-8|--to utf-8|五笔 UTF-8
CASES
grep -q '^𦬀aab ' "五笔 UTF-8/z.dat" || fail "the UTF-8 table lacks 𦬀 (U+26B00)"

# A character without its code on line 61. cmd.exe reads a batch file in
# the ANSI code page.
bad="坏 的码表"
mkdir "$bad"
head -n 60 "$wubi86" >"$bad/五笔.dict.yaml"
printf '字\n' >>"$bad/五笔.dict.yaml"
printf '@"%s" "%s\\五笔.dict.yaml" >bad.txt 2>&1\r\n@exit /b %%errorlevel%%\r\n' \
  "$(echo "$exe" | sed 's|/|\\|g')" "$bad" | iconv -f UTF-8 -t GBK >bad.cmd
status=0
"$runner" start /wait cmd /c bad.cmd || status=$?
message=$(iconv -f GBK -t UTF-8 bad.txt | tr -d "\r") || fail "the message is not in code page 936: $(od -c bad.txt)"
[ "$message" = "$bad\\五笔.dict.yaml 第 61 行：这个字没有编码" ] || fail "the message reads: $message"
[ "$status" = 1 ] || fail "exit status $status"
[ "$(ls "$bad")" = "五笔.dict.yaml" ] || fail "left behind: $(ls "$bad")"
echo "a malformed table: exit status 1, nothing left behind, in code page 936: $message"
