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

VM=$WOW64/vm
# Where the guest mounts the template's disk. A session's QEMU keeps the
# image it opened, so a template made anew (a new file) leaves it alone.
TEMPLATE=$WOW64/template
TEMPLATE_IMAGE=$WOW64/vm-template.img
TEMPLATE_LOCK=$TEMPLATE_IMAGE.lock
TEMPLATE_STAMP=$TEMPLATE_IMAGE.stamp
template_paths() { :; }
AGENT_PORT=7000
# A person's cookie, for the address the guest reaches their display at.
GUEST_XAUTHORITY=$STATE/ctl/Xauthority
# What the first session since this machine started found: whether KVM
# brings this guest up. A /dev/kvm that opens may still boot no ordinary
# kernel (a paravirtual KVM runs only guests made for it, and nested KVM
# can fail alike): Debian's kernel printed one line of its real-mode setup
# there, then nothing, at 100 % of a core.
ACCEL_MEMO=$WOW64/vm-accel
# Under TCG the guest's agent answers 6-7 s after QEMU starts, three times
# that on a loaded machine; under a KVM that works, sooner.
KVM_TRY_SECONDS=45
BOOT_SECONDS=180
# The agent says that it has a command as soon as it reads it; one that
# says nothing for this long will not.
AGENT_TAKES=60
# The guest's memory: its prefixes with their screens and overlays used
# at most 840 MB in it during a whole run of the tests (six prefixes,
# measured), so the minimum leaves room for a table of 50 MB read whole.
GUEST_MIN_MB=3072
GUEST_MAX_MB=6144

guest_check() {
  local missing=
  command -v qemu-system-x86_64 >/dev/null || missing+=" qemu-system-x86_64 (apt-get install qemu-system-x86)"
  [[ -x /usr/lib/qemu/virtiofsd ]] || missing+=" virtiofsd (apt-get install qemu-system-common)"
  [[ -f $VM/stamp ]] || missing+=" the emulated machine (scripts/make_vm, which scripts/provision runs)"
  [[ -z $missing ]] ||
    die "this machine's kernel runs no 32-bit code${SV_WINE_EMULATE:+ (or SV_WINE_EMULATE=1 asks for emulation)}, so the i686 programs run in an emulated machine, which needs what is missing here:$missing"
  guest_size >/dev/null
}

# The guest's memory in MB and its processors, from what this machine has
# free now: half of it, so that a second guest (./dev run beside the
# tests) fits as well.
guest_size() {
  local free mb
  free=$(awk '$1 == "MemAvailable:" { print int($2 / 1024) }' /proc/meminfo)
  mb=$((free / 2 < GUEST_MAX_MB ? free / 2 : GUEST_MAX_MB))
  ((mb >= GUEST_MIN_MB)) ||
    die "the emulated machine needs $GUEST_MIN_MB MB of memory, half of what is free; this machine has $free MB free"
  echo "$mb $(($(nproc) < 2 ? 1 : 2))"
}

guest_describe() {
  local accel=
  [[ -f $STATE/accel ]] && accel=$(<"$STATE/accel")
  case $accel in
    kvm) echo "in an emulated machine (KVM)" ;;
    *) echo "in an emulated machine (TCG)" ;;
  esac
}

# A test's time limit in the emulated machine: programs take 6 to 9 times
# as long as natively, but a test spends most of its time waiting.
guest_time_scale() { echo 3; }

# A fresh, empty template disk: the prefix takes half a gigabyte.
template_reset() {
  rm -f "$TEMPLATE_IMAGE"
  mke2fs -q -t ext4 -O ^has_journal -L template "$TEMPLATE_IMAGE" 3G
}

# The template is whole once its 32-bit half is there (made only where
# 32-bit code runs) and its disk is written out.
template_seal() {
  in_guest sh -c '[ -f "$0/drive_c/windows/syswow64/kernel32.dll" ] ||
      { echo "the template prefix has no 32-bit half" >&2; exit 1; }
    sync && mount -o remount,ro "$0"' "$SV_ROOT$TEMPLATE"
}

# The accelerator a boot gets: kvm or tcg, or try (KVM, and TCG should it
# not bring the guest up). SV_WINE_ACCEL=kvm or tcg forces one; =try tries
# KVM again whatever was found before.
accelerator() {
  local memo
  case ${SV_WINE_ACCEL:-} in
    kvm | tcg | try)
      echo "$SV_WINE_ACCEL"
      return
      ;;
    "") ;;
    *) die "SV_WINE_ACCEL is kvm, tcg or try, not $SV_WINE_ACCEL" ;;
  esac
  if [[ ! -c /dev/kvm ]] || ! { : <>/dev/kvm; } 2>/dev/null; then
    echo tcg
  elif memo=$(cat "$ACCEL_MEMO" 2>/dev/null) && [[ ${memo% *} == "$(machine_key)" ]]; then
    echo "${memo##* }"
  else
    echo try
  fi
}

# This machine since it started, and the emulated machine as made.
machine_key() { echo "$(cat /proc/sys/kernel/random/boot_id) $(sha256sum <"$VM/stamp" | cut -c1-16)"; }

# guest_boot <xvfb|display> <ro|rw>: boots the machine and returns when its
# agent answers; rw for the template disk only while it is made.
guest_boot() {
  local accel started=$SECONDS how=0
  accel=$(accelerator)
  if [[ $accel == try ]]; then
    boot "$@" kvm "$KVM_TRY_SECONDS" || how=$?
    if ((how == 0)); then
      echo "$(machine_key) kvm" >"$ACCEL_MEMO"
      echo "$(date +%T) KVM brought the emulated machine up in $((SECONDS - started)) s"
      return 0
    fi
    namespace_halt
    echo "$(machine_key) tcg" >"$ACCEL_MEMO"
    echo "$(date +%T) KVM did not bring the emulated machine up ($( ((how == 1)) && echo "QEMU ended" ||
      echo "not in $KVM_TRY_SECONDS s"); console: $STATE/console.log.1): TCG from now on, until this machine starts again; the try took $((SECONDS - started)) s"
    accel=tcg
  fi
  boot "$@" "$accel" "$BOOT_SECONDS" && return 0
  cat "$STATE/console.log" >&2 2>/dev/null || true
  die "the emulated machine did not come up in $BOOT_SECONDS s under ${accel^^} (console: $STATE/console.log)"
}

# boot <mode> <ro|rw> <kvm|tcg> <seconds>: one boot; 0 when the guest came
# up in time, 1 when QEMU ended first, 2 when time ran out. The consoles of
# the two boots before stay beside.
boot() {
  local deadline
  [[ -f $STATE/console.log.1 ]] && mv -f "$STATE/console.log.1" "$STATE/console.log.2"
  [[ -f $STATE/console.log ]] && mv -f "$STATE/console.log" "$STATE/console.log.1"
  echo "$3" >"$STATE/accel"
  [[ $2 == rw ]] && touch "$STATE/template-rw"
  namespace_start --net -- "$1" "$2" "$3"
  # Seconds of the clock: a loaded machine makes each round of the wait
  # much longer than its pause.
  deadline=$((SECONDS + $4))
  while ((SECONDS < deadline)); do
    grep -q "init: up" "$STATE/console.log" 2>/dev/null && in_guest true 2>/dev/null && return 0
    guest_alive || return 1
    sleep 0.1
  done
  return 2
}

# In the namespace, its first process: the file servers and QEMU.
# -cpu qemu64: plain 'max' makes QEMU 7.2's guest kernel oops on Wine's
# return from a system call, and qemu64 is faster too.
guest_init() {
  local mode=$1 template=$2 accel=$3 n=0 i dir shares=() net size mb cpus
  size=$(guest_size) || exit 1
  read -r mb cpus <<<"$size"
  [[ $accel == tcg ]] && accel=tcg,thread=multi
  # The machine comes before the rest of this one's work, which fills the
  # time it leaves. A virtual processor that the host holds up keeps the
  # other one waiting on what it holds: at an equal share beside clang-tidy
  # and the x86_64 tests, the template and the seven prefixes took 722 s,
  # not 290, and each i686 test a third longer. The share is that of the
  # session's group of processes (the kernel's autogroup, past which a
  # process's nice value does not reach), and without such groups its own
  # and its file servers'. Only root may raise it; anyone else's machine
  # runs at an equal share.
  echo -10 2>/dev/null >/proc/self/autogroup || true
  renice -n -10 -p $$ >/dev/null 2>&1 || true
  ip link set lo up
  local ctl=$STATE/ctl
  rm -rf "$ctl" && mkdir -p "$ctl"
  shares=(ctl "$ctl")
  {
    printf 'GUEST_ROOT=%s\nGUEST_TEMPLATE=%s\nGUEST_TEMPLATE_MODE=%s\nGUEST_PORT=%s\n' \
      "$(quote "$SV_ROOT")" "$(quote "$TEMPLATE")" "$template" "$AGENT_PORT"
    for dir in "${SV_MOUNTS[@]}"; do
      n=$((n + 1))
      shares+=("s$n" "$dir")
      printf 'GUEST_SHARE_%s=%s\n' "$n" "$(quote "$dir")"
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
    for ((i = 0; i < 300; i++)); do
      [[ -S ${shares[n]}.sock ]] && continue 2
      sleep 0.1
    done
    die "virtiofsd did not serve ${shares[n + 1]} in 30 s (its log: $STATE/virtiofsd.log)"
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
  echo "$(date +%T) QEMU: -accel $accel, $cpus processors, $mb MB"
  qemu-system-x86_64 -machine q35 -accel "$accel" -cpu qemu64 -smp "$cpus" -m "${mb}M" \
    -object "memory-backend-memfd,id=mem,size=${mb}M,share=on" -numa node,memdev=mem \
    -nodefaults -display none -no-reboot -serial "file:$STATE/console.log" \
    -kernel "$VM/vmlinuz" -initrd "$VM/initrd.img" -append "console=ttyS0 quiet panic=-1" \
    -drive "file=$VM/root.img,format=raw,if=virtio,snapshot=on,cache=unsafe" \
    -drive "file=$TEMPLATE_IMAGE,format=raw,if=virtio,snapshot=$snapshot,cache=unsafe,file.locking=off" \
    "${devices[@]}" -netdev "$net" -device virtio-net-pci,netdev=n0 \
    -device virtio-rng-pci &
  wait $! || true
}

# Ends the machine with its namespace.
guest_halt() {
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
# sees at the same path; its exit status returned. The agent answers on
# the connection "started" once it has the command and "done" once its
# status is written; when this process is killed, the connection closes
# and the agent kills the command. What a waited-for command writes is
# passed on as it comes, so that one killed here (a test out of time) has
# said what it could.
job() {
  local how=$1 job word talk ended=0 status tails=()
  shift
  job=$(mktemp -d "$STATE/jobs/XXXXXXXX")
  {
    printf exec
    for word; do printf ' %s' "$(quote "$word")"; done
    echo
  } >"$job/run"
  : >"$job/out"
  : >"$job/err"
  nsenter --target "$(cat "$STATE/guest.pid")" --net -- bash -c '
    exec 3<>"/dev/tcp/127.0.0.1/$0" || exit 3
    printf "%s\n%s\n" "$1" "$2" >&3
    read -r -t "$3" answer <&3 || { (($? > 128)) && exit 4; exit 3; }
    [[ $answer == started ]] || exit 3
    read -r answer <&3 && [[ $answer == done ]] || exit 5' \
    "$AGENT_PORT" "$how" "$job" "$AGENT_TAKES" 2>/dev/null &
  talk=$!
  if [[ $how == wait ]]; then
    tail -c +1 -s 0.2 -f --pid="$talk" "$job/out" &
    tails+=($!)
    tail -c +1 -s 0.2 -f --pid="$talk" "$job/err" >&2 &
    tails+=($!)
  fi
  wait "$talk" || ended=$?
  ((${#tails[@]} == 0)) || wait "${tails[@]}"
  status=$(cat "$job/status" 2>/dev/null) || status=
  rm -rf "$job"
  [[ -z $status ]] || return "$status"
  case $ended in
    3) say "the emulated machine's agent could not be reached (console: $STATE/console.log)" ;;
    4) say "the emulated machine's agent did not take the command in $AGENT_TAKES s (console: $STATE/console.log)" ;;
    *) say "the emulated machine ended before the command did (console: $STATE/console.log)" ;;
  esac
  return 125
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
