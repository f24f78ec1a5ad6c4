# wine/machine.sh, sourced by wine/session: what a session runs in its
# guest, whichever guest it is: the systems to test on, the template prefix
# and the prefixes made from it, their screens and their warm-up.
#
# A guest is a file, wine/guest-<kind>.sh (namespace, qemu), sourced after
# this one, that provides these verbs, which are all that the session and
# this file use of it:
#   guest_check            dies, saying what to install or free, where this
#                          machine cannot run the guest
#   guest_boot <xvfb|display> <ro|rw>
#                          starts the guest (namespace_start) and returns
#                          once in_guest works, or dies saying why; rw only
#                          while the template is made
#   guest_init <argument>...
#                          the guest's first process, in the namespace that
#                          namespace_start makes; runs until it is killed
#   guest_halt             ends the guest and everything in it, and waits
#                          for that; harmless when none runs
#   in_guest <command>...  runs a command at the guest's /, waits, passes
#                          on its output as it comes and returns its status;
#                          when the caller is killed, so is the command
#   guest_spawn <command>...
#                          starts a command that runs on in the guest
#   guest_enter <folder> <variable>=<value>... -- <command>...
#                          ends the caller with the command, run in the Wine
#                          root in <folder> with this environment and those
#                          variables (ctest's emulator's last step)
#   guest_display          the DISPLAY by which the guest reaches a person's
#                          display
#   guest_describe         the guest in a few words, for the log and tests
#   guest_time_scale       how many times a test's native time limit a
#                          test gets in it
#   template_paths         sets TEMPLATE (the template prefix's path, as the
#                          guest sees it), TEMPLATE_LOCK and TEMPLATE_STAMP
#   template_reset         an empty template at TEMPLATE, leaving alone any
#                          that a running session still uses
#   template_seal          once the template is made: whether it is whole
#                          and written out, so that it can be stamped

# The systems (wine/systems), read once: their names in the table's order,
# and each one's fields: 2 its locale, 3 its dpi, 4 its code page.
SYSTEM_NAMES=()
declare -gA SYSTEM_FIELDS
while read -r name locale dpi cp _; do
  [[ -n $name && $name != \#* ]] || continue
  SYSTEM_NAMES+=("$name")
  SYSTEM_FIELDS[$name,2]=$locale SYSTEM_FIELDS[$name,3]=$dpi SYSTEM_FIELDS[$name,4]=$cp
done <"$HERE/systems"

# system_field <name> <n>: the system's locale (2), dpi (3) or code page (4).
system_field() { echo "${SYSTEM_FIELDS[$1,$2]}"; }

# system_of <locale> <dpi> <code page>: the name of the system they give,
# each unset one as the first system has it.
system_of() {
  local first=${SYSTEM_NAMES[0]} name
  for name in "${SYSTEM_NAMES[@]}"; do
    [[ ${SYSTEM_FIELDS[$name,2]} == "${1:-${SYSTEM_FIELDS[$first,2]}}" &&
      ${SYSTEM_FIELDS[$name,3]} == "${2:-${SYSTEM_FIELDS[$first,3]}}" &&
      ${SYSTEM_FIELDS[$name,4]} == "${3:--}" ]] && echo "$name" && return 0
  done
  return 1
}

# in_root [<variable>=<value>...] <command>...: a command in the guest's
# Wine root, at its /, with Wine's quiet defaults.
in_root() {
  in_guest chroot "$SV_ROOT" /usr/bin/env -C / HOME=/root \
    PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin WINEDEBUG=-all \
    XAUTHORITY="${GUEST_XAUTHORITY:-${XAUTHORITY:-}}" \
    WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

# The template prefix that every session's prefixes start from, one for
# every build and session on a root (and a guest of its kind), made by
# wine/make-template in a guest of its own with the template writable.
# Another session may be making it. A change of the root or of the recipe
# makes a new one (template_paths, from each guest, says where), and the old
# one stays for as long as a running session still has it under its
# prefixes.
template_recipe() { echo "$(<"$SV_ROOT/.selvane-root") $(sha256sum <"$HERE/make-template")"; }

template() {
  local recipe
  recipe=$(template_recipe)
  exec 8>"$TEMPLATE_LOCK"
  flock 8
  if [[ $(cat "$TEMPLATE_STAMP" 2>/dev/null) != "$recipe" ]]; then
    echo "$(date +%T) making the template prefix ($GUEST)"
    rm -f "$TEMPLATE_STAMP"
    template_reset
    guest_boot xvfb rw
    guest_spawn chroot "$SV_ROOT" /usr/bin/Xvfb :9 -screen 0 1024x768x24 -nolisten tcp
    wait_for_screens 9
    in_root WINEPREFIX="$TEMPLATE" LC_ALL=zh_CN.UTF-8 DISPLAY=:9 sh "$HERE/make-template" ||
      die "wine/make-template failed: no template"
    # Stamped only once it is whole on the disk.
    template_seal || die "the template prefix could not be written out: no template"
    guest_halt
    echo "$recipe" >"$TEMPLATE_STAMP"
  fi
  exec 8>&-
}

# The session's hold on its template, for as long as it runs: a shared
# lock. A template made anew (template_reset) removes an old one only
# where it can take that lock alone.
template_hold() {
  exec 7>>"$TEMPLATE.users"
  flock -s 7
}

# wait_for_screens <display number>...: until each X server listens.
wait_for_screens() {
  in_guest sh -c 'for n; do
      i=0
      until [ -S "$0/tmp/.X11-unix/X$n" ]; do
        i=$((i + 1)) && [ $i -lt 600 ] || { echo "no X server on :$n" >&2; exit 1; }
        sleep 0.1
      done
    done' "$SV_ROOT" "$@"
}

# The session's prefixes, one for each system, each with its screen and
# its server, warmed up: without that, the first Wine process of a test
# would start Wine's services, which inherit ctest's pipes and keep it
# waiting. A prefix is the template seen through an overlay whose upper
# layer is the guest's memory, so that it comes up in a second, writes
# nothing to the disk and leaves the template as it was; without overlays
# (a kernel that lacks them), a copy. On Xvfb each prefix has a screen of
# its own, as a machine has: the virtual desktops of two prefixes on one
# screen would lie over each other, and a picture of one would show the
# other. The screen's dpi is set before anything draws on it.
bring_up() {
  local mode=$1 prefixes=$HOME_DIR/prefixes system n=0 screens=() display
  # The screens' socket folder made before they start: each X server makes
  # it when missing, and one that finds it made between its look and its
  # mkdir gives up its socket ("mkdir(/tmp/.X11-unix) failed, errno = 17",
  # seen when seven started at once in the emulated machine).
  in_guest sh -c 'mkdir -p "$0" && mount -t tmpfs -o mode=0755 tmpfs "$0" &&
    mkdir -p "$1" && chmod 1777 "$1"' "$SV_ROOT$prefixes" "$SV_ROOT/tmp/.X11-unix"
  for system in $SV_SYSTEMS; do
    in_guest sh -c 'mkdir -p "$1" "$2/upper" "$2/work"
      mount -t overlay overlay -o "lowerdir=$0,upperdir=$2/upper,workdir=$2/work" "$1" 2>/dev/null ||
        cp -a "$0/." "$1"' "$SV_ROOT$TEMPLATE" "$SV_ROOT$prefixes/$system" "$SV_ROOT$prefixes/.layers/$system"
    if [[ $mode == xvfb ]]; then
      n=$((n + 1))
      guest_spawn chroot "$SV_ROOT" /usr/bin/Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp
      screens+=("$n")
      display=:$n
    else
      display=$(guest_display)
    fi
    echo "$display" >"$STATE/display-$system"
  done
  ((${#screens[@]} == 0)) || wait_for_screens "${screens[@]}"
  # One at a time. A prefix's first program that needs the desktop starts
  # explorer.exe for it and waits 10 s at most for it to be ready (Wine's
  # win32u, get_desktop_window); after that it makes a desktop itself, on
  # Wine's null driver, whose display then lies below the real one (see
  # warm-up). Five warm-ups at once in the emulated machine took longer
  # than that, and every prefix had to start again (35 to 50 s each).
  for system in $SV_SYSTEMS; do
    in_prefix "$system" sh "$HERE/warm-up" "$(system_field "$system" 3)"
    echo "$(date +%T) $system: warmed up"
  done
  # A prefix warmed up while the machine was too busy all the same may
  # have its screen laid out wrong: it starts again.
  local tries
  for system in $SV_SYSTEMS; do
    tries=0
    until in_prefix "$system" sh "$HERE/warm-up" --check; do
      ((++tries <= 3)) || die "the prefix for $system lays its screen out wrong after 3 starts"
      echo "$(date +%T) $system: its screen laid out wrong, starting it again"
      in_prefix "$system" sh "$HERE/warm-up" --again "$(system_field "$system" 3)"
    done
  done
}

# in_prefix <system> <command>...: a command in the root on the system's
# prefix and screen.
in_prefix() {
  local system=$1
  shift
  in_root WINEPREFIX="$HOME_DIR/prefixes/$system" LC_ALL="$(system_field "$system" 2)" \
    DISPLAY="$(cat "$STATE/display-$system")" "$@"
}
