#!/usr/bin/env bash
# Builds the Debian package of QZT Programmer (build-release/*.deb) and tests
# it: the package is unpacked into a fresh directory tree, and the programs in
# it must start and find their data there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# dpkg-shlibdeps computes the package's library dependencies; CPack needs
# `file` to find the binaries. Each is checked on its own: build-essential
# brings dpkg-dev but not file.
missing=()
for package in dpkg-dev file; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" ||
    { "${sudo[@]}" apt-get update -qq &&
      "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; }
fi

scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DQZT_BUILD_TESTS=OFF
(cd build-release && cpack -G DEB >/dev/null)
deb=$(ls -t build-release/qzt-programmer_*.deb | head -1)
echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,/Description:/p'

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
mkdir -p "$root/home"
echo "== installed into $root"
"$root/usr/bin/qzt" --version
HOME="$root/home" XDG_DATA_HOME= XDG_CONFIG_HOME= \
  "$root/usr/bin/qzt" check "$root/usr/share/qzt-programmer/Default.b"
HOME="$root/home" XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/qzt-programmer" --version
test -f "$root/usr/lib/udev/rules.d/60-qzt-kvd.rules"
test -f "$root/usr/share/applications/qzt-programmer.desktop"
echo "The package installs and runs: $deb"
