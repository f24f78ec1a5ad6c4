#!/bin/sh
# session_exec.sh <run-wine>: what ctest's emulator promises a test, in
# whichever guest this build's session runs its programs (a namespace or
# an emulated machine): the program's output on stdout and stderr, and its
# exit status; and a program killed from here, as ctest kills a test that
# runs out of time, ends in the guest too.
set -u
runwine=$1
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

"$runwine" cmd /c "echo to stdout& echo to stderr 1>&2& exit 3" >"$out" 2>"$err"
status=$?
[ "$status" = 3 ] || fail "exit status $status, not 3: $(cat "$err")"
grep -q "to stdout" "$out" || fail "stdout has: $(cat "$out")"
grep -q "to stderr" "$err" || fail "stderr has: $(cat "$err")"
grep -q "to stderr" "$out" && fail "stderr went to stdout"

# A program that runs until it is closed, in a process group of its own,
# as ctest starts a test; killed with its group once it runs.
running() { "$runwine" tasklist 2>/dev/null | grep -qi '^notepad\.exe'; }
setsid "$runwine" notepad >/dev/null 2>&1 &
group=$!
deadline=$(($(date +%s) + 120))
until running; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "notepad.exe never ran"
  sleep 1
done
kill -KILL "-$group"
deadline=$(($(date +%s) + 30))
while running; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "notepad.exe still runs 30 s after it was killed here"
  sleep 1
done
echo "output, exit status and a kill all reach the guest"
