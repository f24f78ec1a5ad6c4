#!/bin/sh
# wine/warm-up --check against what Wine's reg prints (CRLF, as Wine
# writes it) for the display layouts measured in the emulated machine:
# the virtual desktop alone attached passes; the null driver's display
# attached below it, or no answer at all, does not.
# Usage: warm_up_check.sh <wine/warm-up>
set -u
warm_up=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cat >"$dir/wine" <<'FAKE'
#!/bin/sh
[ -n "$LAYOUT" ] || exit 1
key='HKEY_CURRENT_CONFIG\System\CurrentControlSet\Control\Video\{bddb452f-df12-49c2-be40-8a7e59d4e348}'
set -- $LAYOUT
printf '%s\r\n' "" "$key" ""
n=0
for flags in "$@"; do
  printf '%s\r\n' "$key\\000$n" "    Depth    REG_DWORD    0x20" "    StateFlags    REG_DWORD    $flags" ""
  n=$((n + 1))
done
# The sources by name carry StateFlags too, and are not displays of their own.
printf '%s\r\n' "$key\\Sources\\Default" "    StateFlags    REG_DWORD    0x15" ""
FAKE
chmod +x "$dir/wine"
failed=0
while read -r layout want; do
  LAYOUT=$(echo "$layout" | tr , ' ') PATH="$dir:$PATH" sh "$warm_up" --check
  got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: displays with StateFlags '$layout': --check gave $got, want $want"
    failed=1
  fi
done <<'CASES'
0x15,0x10 0
0x10,0x15 0
0x15,0x15 1
0x10,0x10 1
, 1
CASES
exit $failed
