#!/bin/bash
# session_spaced.sh <wine/session> <the build's wine folder> <program.exe>:
# a session of a checkout whose path holds a space and Chinese, as
# "~/我的 项目/" would: the folders it shares, its state and a program
# started from there, which reads a file beside it and ends with the
# system's ANSI code page as its status (936, which a status byte holds as
# 168). A session of its own, with one prefix, beside the build's.
set -u
session=$1 build_wine=$2 program=$3
top=$(mktemp -d)
checkout="$top/我的 项目"
dir="$checkout/build/wine"
trap '"$session" down "$dir" >/dev/null 2>&1; rm -rf "$top"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
mkdir -p "$dir" "$checkout/程序 目录"
cp "$program" "$checkout/程序 目录/probe.exe"
echo "readable" >"$checkout/程序 目录/文件 一.txt"
# The build's root, shared folders (its template among them) and kind of
# programs, and this checkout's folder.
sed -n -e '/^SV_ROOT=/p' -e '/^SV_MOUNTS=/p' -e '/^SV_32BIT=/p' "$build_wine/session.conf" \
  >"$dir/session.conf"
printf "SV_MOUNTS+=('%s')\nSV_SYSTEMS=zh-96\n" "$checkout" >>"$dir/session.conf"
cd "$checkout/程序 目录" || fail "no folder"
out=$("$session" exec "$dir" cmd /c type "文件 一.txt" 2>&1)
[[ $out == *readable* ]] || fail "cmd did not read the file beside it: $out"
"$session" exec "$dir" probe.exe
status=$?
[[ $status == $((936 % 256)) ]] || fail "probe.exe ended with $status, not the code page 936"
echo "a session in \"$checkout\" shares it and runs its programs"
