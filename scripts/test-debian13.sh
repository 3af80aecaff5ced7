#!/usr/bin/env bash
# Builds QZT Programmer and runs the whole test suite on Debian 13 ("trixie",
# Qt 6.8, GCC 14) from a Debian 12 machine:
#   scripts/test-debian13.sh
# A minimal Debian 13 system is made once with debootstrap and kept in
# QZT_DEBIAN13_ROOT (default /var/cache/qzt-debian13), with its packages, its
# compiler cache and its build tree, so later runs take little more than the
# changed files. Inside it the project's own scripts/install-deps.sh installs
# what the build needs, as on a technician's new laptop. Needs root (or sudo)
# for debootstrap, chroot and the mounts.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${QZT_DEBIAN13_ROOT:-/var/cache/qzt-debian13}
mirror=${QZT_DEBIAN_MIRROR:-http://deb.debian.org/debian}
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

if [ ! -f "$root/.qzt-debian13" ]; then
  echo "== Making a Debian 13 system in $root (once)"
  if ! command -v debootstrap >/dev/null; then
    # A machine whose package lists are old or missing fetches them first.
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends debootstrap ||
      { "${sudo[@]}" apt-get update -qq &&
        "${sudo[@]}" apt-get install -y -qq --no-install-recommends debootstrap; }
  fi
  # Never into a file system mounted there by a run that was killed.
  "${sudo[@]}" rm -rf --one-file-system "$root.new"
  "${sudo[@]}" debootstrap --variant=minbase trixie "$root.new" "$mirror" >/dev/null
  "${sudo[@]}" rm -rf --one-file-system "$root"
  "${sudo[@]}" mv "$root.new" "$root"
  "${sudo[@]}" touch "$root/.qzt-debian13"
fi

# The kernel's file systems the tests use (pseudo-terminals among them),
# taken away again however the run ends.
mounts=()
cleanup() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    "${sudo[@]}" umount -l "${mounts[i]}" 2>/dev/null || true
  done
}
trap cleanup EXIT
mount_in() {
  "${sudo[@]}" mkdir -p "$root$2"
  "${sudo[@]}" mount "${@:3}" "$1" "$root$2"
  mounts+=("$root$2")
}
mount_in proc /proc -t proc
mount_in /dev /dev --bind
mount_in devpts /dev/pts -t devpts -o newinstance,ptmxmode=0666
mount_in /sys /sys --rbind
"${sudo[@]}" cp /etc/resolv.conf "$root/etc/resolv.conf"

# The project as it is here, its build trees left out; the Debian 13 build
# tree stays inside the system between runs.
echo "== Copying the project"
"${sudo[@]}" mkdir -p "$root/qzt"
git ls-files -z --cached --others --exclude-standard |
  tar --null -T - -cf - | "${sudo[@]}" tar -xf - -C "$root/qzt"

echo "== Debian 13: install, build, test"
"${sudo[@]}" chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen /bin/bash -c '
    set -euo pipefail
    cd /qzt
    . /etc/os-release
    echo "$PRETTY_NAME"
    scripts/install-deps.sh
    echo "Qt $(dpkg-query -W -f="\${Version}" qt6-base-dev), $(g++ --version | head -1)"
    scripts/build.sh build-debian13 -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ctest --test-dir build-debian13 --output-on-failure -j "$(nproc)"
  '
