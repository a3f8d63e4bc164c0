#!/usr/bin/env bash
# Runs a command where the kernel starts no 32-bit x86 program itself: in a private user and
# mount namespace, binfmt_misc is mounted afresh and an i386 handler registered that hands
# 32-bit programs to qemu-user. The handler is that namespace's own (binfmt_misc has one
# instance per user namespace since Linux 6.7): the machine's handlers and every other process
# stay as they were, and it goes when the command ends.
#   i386-namespace.sh COMMAND [ARGS...]
#   i386-namespace.sh --check     exit 0 when a 32-bit program runs this way here
set -euo pipefail

# qemu-user from the base release's backports (10.0): the base release's 7.2 takes about a
# minute to start Wine and crashes programs that run several threads.
qemu_i386() {
  local q version
  for q in /usr/bin/qemu-i386 /usr/bin/qemu-i386-static; do
    [ -x "$q" ] || continue
    version=$("$q" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
    if [ -n "$version" ] && [ "$version" -ge 8 ]; then
      echo "$q"
      return 0
    fi
  done
  return 1
}

if [ "${1:-}" = --check ]; then
  qemu_i386 >/dev/null || exit 1
  exec bash "$0" /usr/lib/wine/wine --version >/dev/null 2>&1
fi
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...] | --check" >&2; exit 2; }

case ${SETUP_I386_NAMESPACE:-} in
  ready) exec "$@" ;;  # inside one already
  new) ;;
  *) exec unshare --user --map-root-user --mount --propagation private \
       env SETUP_I386_NAMESPACE=new bash "$0" "$@" ;;
esac

qemu=$(qemu_i386) || { echo "i386-namespace: no qemu-i386 of version 8 or later" >&2; exit 1; }
mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
# The magic and mask of a 32-bit x86 ELF program, as qemu's own handler list gives them; F opens
# the interpreter now, so it is found whatever the program's own root.
elf=':setup-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask=':\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
printf '%s%s:%s:F' "$elf" "$mask" "$qemu" >/proc/sys/fs/binfmt_misc/register
export SETUP_I386_NAMESPACE=ready
exec "$@"
