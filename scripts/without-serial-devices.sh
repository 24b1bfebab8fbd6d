#!/usr/bin/env bash
# Runs a command in a mount namespace of its own whose /dev holds no serial
# device: Wine hands every host serial device (/dev/ttyS*, ttyUSB*, ttyACM*)
# a COM number, and a test must never open a port of the machine. What a
# program needs of /dev (null, zero, the random devices, tty, the
# pseudo-terminals, shm) stays.
#
#   bash scripts/without-serial-devices.sh COMMAND [ARGUMENT...]
#
# Wine's server is stopped first, so that the command's Wine starts anew
# inside and sees only this /dev.
set -euo pipefail
if [ -z "${OSTRIVAN_NO_SERIAL_DEVICES:-}" ]; then
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  exec env OSTRIVAN_NO_SERIAL_DEVICES=1 unshare --mount --propagation private bash "$0" "$@"
fi
dev=$(mktemp -d)
mount -t tmpfs -o mode=755 tmpfs "$dev"
for node in null zero full random urandom tty; do
  touch "$dev/$node"
  mount --bind "/dev/$node" "$dev/$node"
done
mkdir "$dev/pts" "$dev/shm"
mount --bind /dev/pts "$dev/pts"
mount --bind /dev/shm "$dev/shm"
ln -s pts/ptmx "$dev/ptmx"
ln -s /proc/self/fd "$dev/fd"
ln -s /proc/self/fd/0 "$dev/stdin"
ln -s /proc/self/fd/1 "$dev/stdout"
ln -s /proc/self/fd/2 "$dev/stderr"
mount --rbind "$dev" /dev
if compgen -G '/dev/tty[SUA]*' >/dev/null; then
  echo "without-serial-devices: a serial device is still there" >&2
  exit 1
fi
exec "$@"
