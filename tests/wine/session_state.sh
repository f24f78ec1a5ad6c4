#!/bin/bash
# wine/session against what an earlier session or a reboot leaves in its
# state: PID files whose numbers a live process of someone else's has
# taken since. "down" and "up" must return, say what they found, and leave
# that process alone. "up" then stops where this machine lacks the
# emulated machine it asks for, in a folder whose path holds a space and
# Chinese, as a checkout's may.
# Usage: session_state.sh <wine/session>
set -u
session=$1
top=$(mktemp -d)
trap 'kill "$stranger" 2>/dev/null; rm -rf "$top"' EXIT
dir="$top/我的 项目/wine"
mkdir -p "$dir/tests/state" "$top/wow64/root"
echo fake >"$top/wow64/root/.selvane-root"
cat >"$dir/session.conf" <<CONF
SV_ROOT='$top/wow64/root'
SV_MOUNTS=('$top/我的 项目')
SV_SYSTEMS=zh-96
SV_32BIT=1
CONF
sleep 600 &
stranger=$!
for file in watch.pid unshare.pid guest.pid; do echo "$stranger" >"$dir/tests/state/$file"; done
echo qemu >"$dir/tests/state/guest"
failed=0
check() { # <what> <want status> <want in its output> <command>...
  local what=$1 want=$2 words=$3 out status
  shift 3
  out=$(timeout 60 "$@" 2>&1)
  status=$?
  if [[ $status != "$want" || $out != *"$words"* ]]; then
    echo "FAIL: $what gave status $status, want $want with \"$words\", and said:"
    echo "$out"
    failed=1
  fi
  kill -0 "$stranger" 2>/dev/null || {
    echo "FAIL: $what killed the stranger"
    exit 1
  }
}
check "down" 0 "watch.pid named process $stranger, which is not this session's" \
  "$session" down "$dir"
for file in watch.pid unshare.pid guest.pid; do echo "$stranger" >"$dir/tests/state/$file"; done
check "up" 1 "the emulated machine (scripts/make_vm" \
  env SV_WINE_EMULATE=1 "$session" up "$dir" $$
[[ -z $(pgrep -f "session watch $dir") ]] || {
  echo "FAIL: up left a watcher running"
  failed=1
}
exit $failed
