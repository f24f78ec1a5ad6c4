# wine/guest-namespace.sh, sourced by wine/session: the guest as a mount,
# PID and (on Xvfb) network namespace of this machine, in which programs
# run in the Wine root by chroot. Xvfb's sockets, the abstract one too, are
# the session's own; a person's display is reached through the machine's
# network. Killing the namespace's first process ends every process in it
# and drops its mounts.

# The template is a folder here, one for each recipe, since a session's
# prefixes see it as their overlays' lower layer for as long as they run.
template_paths() {
  TEMPLATE=$WOW64/template-$(template_recipe | sha256sum | cut -c1-12)
  TEMPLATE_LOCK=$TEMPLATE.lock
  TEMPLATE_STAMP=$TEMPLATE/.selvane-template
}

guest_check() { :; }

guest_describe() { echo "in a namespace of this machine"; }

# A test's time limit as it is.
guest_time_scale() { echo 1; }

# The templates of other recipes go once no running session holds them
# (template_hold); a half-made one of this recipe goes at once.
template_reset() {
  local old
  for old in "$WOW64"/template-*/; do
    old=${old%/}
    [[ $old == "$TEMPLATE" ]] || flock -n -x "$old.users" rm -rf "$old" "$old.lock" "$old.users" || true
  done
  rm -rf "$TEMPLATE" && mkdir -p "$TEMPLATE"
}

template_seal() { sync -f "$TEMPLATE/system.reg"; }

# guest_boot <xvfb|display> <ro|rw>: starts the guest and returns when it
# is up. The template is a folder here, so <ro|rw> changes nothing.
guest_boot() {
  local net=()
  [[ $1 == xvfb ]] && net=(--net)
  rm -f "$STATE/guest-up"
  namespace_start "${net[@]}" -- "$1"
  until [[ -f $STATE/guest-up ]]; do
    guest_alive || die "the guest's namespace ended as it started"
    sleep 0.05
  done
}

# In the namespace, its first process: the root's mounts, then nothing
# until it is killed.
guest_init() {
  local mode=$1 r=$SV_ROOT dir
  mount -t proc proc "$r/proc"
  mount --rbind /dev "$r/dev"
  mount --make-rslave "$r/dev"
  mount -t tmpfs -o mode=1777 tmpfs "$r/tmp"
  for dir in "${SV_MOUNTS[@]}"; do
    mkdir -p "$r$dir"
    mount --bind "$dir" "$r$dir"
  done
  if [[ $mode == display ]]; then
    # A person's display: the machine's X socket, and its authority file.
    mkdir -p "$r/tmp/.X11-unix"
    [[ -d /tmp/.X11-unix ]] && mount --bind /tmp/.X11-unix "$r/tmp/.X11-unix"
    if [[ -n ${XAUTHORITY:-} && -f $XAUTHORITY ]]; then
      mkdir -p "$r$(dirname "$XAUTHORITY")" && touch "$r$XAUTHORITY"
      mount --bind "$XAUTHORITY" "$r$XAUTHORITY"
    fi
  fi
  touch "$STATE/guest-up"
  while :; do
    sleep 3600 &
    wait $! || true
  done
}

guest_halt() {
  namespace_halt
  rm -f "$STATE/guest-up"
}

# How a program enters the namespace: --root, the root of its first
# process, which is a chroot's when all this runs in one.
entering() {
  local pid
  pid=$(<"$STATE/guest.pid")
  ENTER=(nsenter --target "$pid" --mount --root --pid)
  [[ /proc/$pid/ns/net -ef /proc/self/ns/net ]] || ENTER+=(--net)
  ENTER+=(--)
}

in_guest() {
  entering
  "${ENTER[@]}" "$@"
}

guest_spawn() { in_guest setsid "$@" </dev/null >/dev/null 2>&1 & }

guest_display() { echo "${DISPLAY:-:0}"; }

# guest_enter <folder> <variable>=<value>... -- <command>...: ctest's
# emulator's last step, in the Wine root; this process's environment goes
# with it.
guest_enter() {
  local folder=$1 variables=()
  shift
  while [[ $1 != -- ]]; do
    variables+=("$1")
    shift
  done
  shift
  entering
  exec "${ENTER[@]}" chroot "$SV_ROOT" /usr/bin/env -C "$folder" "${variables[@]}" "$@"
}
