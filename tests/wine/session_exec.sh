#!/bin/sh
# session_exec.sh <run-wine>: what ctest's emulator promises a test, in
# whichever guest this build's session runs its programs (a namespace or
# an emulated machine): the program's output on stdout and stderr, and its
# exit status, for programs started together as ctest starts them; a
# program killed from here, as ctest kills a test that runs out of time,
# ends in the guest too, having passed on what it wrote; and the desktop
# stays for the next.
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

# Five at once, as a session's warm-ups and ctest's jobs start them: the
# emulated machine's agent once lost one of five.
for n in 1 2 3 4 5; do
  "$runwine" cmd /c "echo program $n& exit $n" >"$out.$n" 2>&1 &
  eval "pid$n=\$!"
done
for n in 1 2 3 4 5; do
  eval "wait \$pid$n"
  status=$?
  [ "$status" = "$n" ] && grep -q "program $n" "$out.$n" ||
    fail "program $n of five at once: status $status, output: $(cat "$out.$n")"
  rm -f "$out.$n"
done

# A program that runs until it is closed, in a process group of its own,
# as ctest starts a test; killed with its group once it runs, after it
# has said something.
running() { "$runwine" tasklist 2>/dev/null | grep -qi '^notepad\.exe'; }
setsid "$runwine" cmd /c "echo said before the kill& notepad" >"$out" 2>&1 &
group=$!
deadline=$(($(date +%s) + 120))
until running; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "notepad.exe never ran"
  sleep 1
done
sleep 1
kill -KILL "-$group"
grep -q "said before the kill" "$out" || fail "what the killed program wrote was lost: $(cat "$out")"
deadline=$(($(date +%s) + 30))
while running; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "notepad.exe still runs 30 s after it was killed here"
  sleep 1
done
# The prefix's desktop outlives every program that used it (notepad's,
# above): the next test does not wait for it to start again.
sleep 2
"$runwine" tasklist 2>/dev/null | grep -qi '^explorer\.exe' ||
  fail "the desktop (explorer.exe) ended with the programs that used it"
echo "output, exit status and a kill all reach the guest; the desktop stays"
