# wine/guest-namespace.sh, sourced by wine/session: the guest as a mount,
# PID and (on Xvfb) network namespace of this machine, in which programs
# run in the Wine root by chroot. Xvfb's sockets, the abstract one too, are
# the session's own; a person's display is reached through the machine's
# network. Killing the namespace's first process ends every process in it
# and drops its mounts.

TEMPLATE_LOCK=$TEMPLATE.lock
TEMPLATE_STAMP=$TEMPLATE/.selvane-template

guest_check() { :; }

template_reset() { rm -rf "$TEMPLATE" && mkdir -p "$TEMPLATE"; }

# guest_boot <xvfb|display> <ro|rw>: starts the guest and returns when it
# is up. The template is a folder here, so <ro|rw> changes nothing.
guest_boot() {
  local mode=$1 unshare pid=
  local namespaces=(--mount --propagation private --pid --fork --mount-proc --kill-child)
  [[ $mode == xvfb ]] && namespaces+=(--net)
  rm -f "$STATE/guest-up"
  unshare "${namespaces[@]}" "$SELF" guest-init "$DIR" "$mode" </dev/null &
  unshare=$!
  echo "$unshare" >"$STATE/unshare.pid"
  until [[ -n $pid ]]; do
    kill -0 "$unshare" 2>/dev/null || die "the guest's namespace did not start"
    sleep 0.05
    pid=$(cat "/proc/$unshare/task/$unshare/children" 2>/dev/null) || true
  done
  echo "${pid% }" >"$STATE/guest.pid"
  until [[ -f $STATE/guest-up ]]; do
    kill -0 "$unshare" 2>/dev/null || die "the guest's namespace ended as it started"
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
  for dir in $SV_MOUNTS; do
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

guest_alive() {
  local pid
  pid=$(cat "$STATE/guest.pid" 2>/dev/null) && alive "$pid"
}

# Ends the guest: its first process goes with unshare (--kill-child), and
# every other one with it.
guest_halt() {
  local pid
  pid=$(cat "$STATE/unshare.pid" 2>/dev/null) || return 0
  kill -KILL "$pid" 2>/dev/null || true
  while [[ -d /proc/$pid ]] && alive "$pid"; do sleep 0.05; done
  rm -f "$STATE/unshare.pid" "$STATE/guest.pid" "$STATE/guest-up"
}

# How a program enters the namespace: --root, the root of its first
# process, which is a chroot's when all this runs in one.
entering() {
  local pid
  pid=$(cat "$STATE/guest.pid")
  ENTER=(nsenter --target "$pid" --mount --root --pid)
  [[ $(readlink "/proc/$pid/ns/net") != $(readlink /proc/self/ns/net) ]] && ENTER+=(--net)
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
