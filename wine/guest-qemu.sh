# wine/guest-qemu.sh, sourced by wine/session: the guest as a machine that
# QEMU emulates, for the 32-bit programs of a machine whose kernel runs no
# 32-bit code. scripts/make_vm makes it (in <builds>/wow64/vm): Debian's
# kernel, a busybox initramfs (wine/vm/init) and the Wine root as a disk
# image, booted with snapshot=on, so that it never changes. The folders
# are shared by virtiofs at their paths here (9p gives Wine's loader zeros
# for parts of a large exe), the template prefix is a disk image of its
# own, and the guest's agent (wine/vm/agent) runs what the host sends it
# on a port that QEMU forwards from the loopback of a network namespace
# that only this session's QEMU lives in. QEMU and its file servers run in
# a PID namespace: killing its first process ends them all.

VM=$(dirname "$SV_ROOT")/vm
# Beside the machine, which scripts/make_vm makes anew.
TEMPLATE_IMAGE=$(dirname "$SV_ROOT")/vm-template.img
TEMPLATE_LOCK=$TEMPLATE_IMAGE.lock
TEMPLATE_STAMP=$TEMPLATE_IMAGE.stamp
AGENT_PORT=7000
# A person's cookie, for the address the guest reaches their display at.
GUEST_XAUTHORITY=$STATE/ctl/Xauthority

guest_check() {
  local missing=
  command -v qemu-system-x86_64 >/dev/null || missing+=" qemu-system-x86_64 (apt-get install qemu-system-x86)"
  [[ -x /usr/lib/qemu/virtiofsd ]] || missing+=" virtiofsd (apt-get install qemu-system-common)"
  [[ -f $VM/stamp ]] || missing+=" the emulated machine (scripts/make_vm, which scripts/provision runs)"
  [[ -z $missing ]] && return 0
  die "this machine's kernel runs no 32-bit code${SV_WINE_EMULATE:+ (or SV_WINE_EMULATE=1 asks for emulation)}, so the i686 programs run in an emulated machine, which needs what is missing here:$missing"
}

# A fresh, empty template disk: the prefix takes half a gigabyte.
template_reset() {
  rm -f "$TEMPLATE_IMAGE"
  mke2fs -q -t ext4 -O ^has_journal -L template "$TEMPLATE_IMAGE" 3G
}

# guest_boot <xvfb|display> <ro|rw>: boots the machine and returns when its
# agent answers; rw for the template disk only while it is made.
guest_boot() {
  local i
  rm -f "$STATE/console.log"
  [[ $2 == rw ]] && touch "$STATE/template-rw"
  namespace_start --net -- "$@"
  # Up in 6-7 s; three times that on a loaded machine.
  for ((i = 0; i < 1200; i++)); do
    grep -q "init: up" "$STATE/console.log" 2>/dev/null && in_guest true 2>/dev/null && return 0
    guest_alive || break
    sleep 0.1
  done
  cat "$STATE/console.log" >&2 2>/dev/null || true
  die "the emulated machine did not come up (console: $STATE/console.log)"
}

# In the namespace, its first process: the file servers and QEMU.
# -cpu qemu64: plain 'max' makes QEMU 7.2's guest kernel oops on Wine's
# return from a system call, and qemu64 is faster too. KVM where there is
# one, else TCG.
guest_init() {
  local mode=$1 template=$2 n=0 dir shares=() net accel=tcg,thread=multi
  [[ -w /dev/kvm ]] && accel=kvm
  ip link set lo up
  local ctl=$STATE/ctl
  rm -rf "$ctl" && mkdir -p "$ctl"
  {
    printf 'GUEST_ROOT=%s\nGUEST_TEMPLATE=%s\nGUEST_TEMPLATE_MODE=%s\nGUEST_PORT=%s\n' \
      "$(quote "$SV_ROOT")" "$(quote "$TEMPLATE")" "$template" "$AGENT_PORT"
    for dir in ctl $SV_MOUNTS; do
      if [[ $dir == ctl ]]; then
        shares+=(ctl "$ctl")
      else
        n=$((n + 1))
        shares+=("s$n" "$dir")
        printf 'GUEST_SHARE_%s=%s\n' "$n" "$(quote "$dir")"
      fi
    done
  } >"$ctl/guest.conf"
  # The sockets by short names: a socket's path has room for 107 bytes.
  # virtiofsd keeps a pid file named after its socket in /run/virtiofsd,
  # which would clash with another session's: the namespace's own.
  cd "$ctl"
  mkdir -p /run/virtiofsd
  mount -t tmpfs tmpfs /run/virtiofsd
  # Each file server confines itself by chroot, not by namespaces of its
  # own, which need the root to be a mount point (not so in a chroot).
  local devices=()
  for ((n = 0; n < ${#shares[@]}; n += 2)); do
    /usr/lib/qemu/virtiofsd --socket-path="${shares[n]}.sock" -o source="${shares[n + 1]}" \
      -o cache=auto -o no_posix_lock -o sandbox=chroot 2>>"$STATE/virtiofsd.log" &
    devices+=(-chardev "socket,id=${shares[n]},path=${shares[n]}.sock"
      -device "vhost-user-fs-pci,chardev=${shares[n]},tag=${shares[n]}")
  done
  for ((n = 0; n < ${#shares[@]}; n += 2)); do
    until [[ -S ${shares[n]}.sock ]]; do sleep 0.05; done
  done
  net="user,id=n0,restrict=on,hostfwd=tcp:127.0.0.1:$AGENT_PORT-10.0.2.15:$AGENT_PORT"
  if [[ $mode == display ]]; then
    # A person's display, through a connection that QEMU makes for the
    # guest to the machine's X socket; with their cookie for any host.
    local screen=${DISPLAY#*:}
    net+=",guestfwd=tcp:10.0.2.100:6000-cmd:socat - UNIX-CONNECT:/tmp/.X11-unix/X${screen%%.*}"
    if command -v xauth >/dev/null; then
      xauth -f "${XAUTHORITY:-$HOME/.Xauthority}" nlist "$DISPLAY" 2>/dev/null | sed 's/^..../ffff/' |
        xauth -f "$ctl/Xauthority" nmerge - 2>/dev/null || true
    fi
  fi
  local snapshot=on
  [[ $template == rw ]] && snapshot=off
  qemu-system-x86_64 -machine q35 -accel "$accel" -cpu qemu64 -smp 2 -m 6G \
    -object memory-backend-memfd,id=mem,size=6G,share=on -numa node,memdev=mem \
    -nodefaults -display none -no-reboot -serial "file:$STATE/console.log" \
    -kernel "$VM/vmlinuz" -initrd "$VM/initrd.img" -append "console=ttyS0 quiet panic=-1" \
    -drive "file=$VM/root.img,format=raw,if=virtio,snapshot=on,cache=unsafe" \
    -drive "file=$TEMPLATE_IMAGE,format=raw,if=virtio,snapshot=$snapshot,cache=unsafe,file.locking=off" \
    "${devices[@]}" -netdev "$net" -device virtio-net-pci,netdev=n0 \
    -device virtio-rng-pci &
  wait $! || true
}

# Ends the machine with its namespace. A template disk written in it is
# synced first, so that it is whole.
guest_halt() {
  if [[ -f $STATE/template-rw ]] && guest_alive; then
    in_guest sh -c 'sync; mount -o remount,ro "$0"' "$SV_ROOT$TEMPLATE" 2>/dev/null || true
  fi
  namespace_halt
  rm -f "$STATE/template-rw"
}

# A word for the guest's sh, whatever it holds.
quote() {
  local s=${1//\'/\'\\\'\'}
  printf "'%s'" "$s"
}

# job <wait|spawn> <command>...: the command run in the guest by its
# agent, through a job folder under the session's state, which the guest
# sees at the same path: its output is passed on when it ends, and its exit
# status returned. When this process is killed, the connection closes and
# the agent kills the command.
job() {
  local how=$1 job word status
  shift
  job=$(mktemp -d "$STATE/jobs/XXXXXXXX")
  {
    printf exec
    for word; do printf ' %s' "$(quote "$word")"; done
    echo
  } >"$job/run"
  nsenter --target "$(cat "$STATE/guest.pid")" --net -- bash -c '
    exec 3<>"/dev/tcp/127.0.0.1/$0" && printf "%s\n%s\n" "$1" "$2" >&3 && read -r done <&3' \
    "$AGENT_PORT" "$how" "$job" || true
  status=$(cat "$job/status" 2>/dev/null) || status=
  [[ -f $job/out ]] && cat "$job/out"
  [[ -f $job/err ]] && cat "$job/err" >&2
  rm -rf "$job"
  [[ -n $status ]] || {
    echo "session: the emulated machine ran no command (console: $STATE/console.log)" >&2
    return 125
  }
  return "$status"
}

in_guest() { job wait "$@"; }

guest_spawn() { job spawn "$@"; }

guest_display() { echo 10.0.2.100:0; }

# guest_enter <folder> <variable>=<value>... -- <command>...: ctest's
# emulator's last step, in the Wine root. This process's environment goes
# with it, but for what only this machine knows.
guest_enter() {
  local folder=$1 variables=() name
  shift
  while IFS= read -r -d '' name; do
    case ${name%%=*} in
      PATH | PWD | OLDPWD | SHLVL | _ | LD_* | XAUTHORITY) ;;
      *) variables+=("$name") ;;
    esac
  done < <(env -0)
  [[ -f $GUEST_XAUTHORITY ]] && variables+=(XAUTHORITY="$GUEST_XAUTHORITY")
  while [[ $1 != -- ]]; do
    variables+=("$1")
    shift
  done
  shift
  job wait chroot "$SV_ROOT" /usr/bin/env -i -C "$folder" "${variables[@]}" \
    PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin "$@"
  exit
}
