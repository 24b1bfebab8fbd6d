#!/usr/bin/env bash
# Builds a release build and makes the Debian package
# ostrivan_<version>_<arch>.deb in the top folder with CPack, then checks it
# and its metadata: lintian, appstreamcli, desktop-file-validate and
# man --warnings on each page.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh scdoc lintian appstream desktop-file-utils man-db dpkg-dev file

# Debian's hardening flags, as a Debian build would use them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
# A fresh build folder: CMake takes the flags above only when it first
# configures one.
build=build-package
rm -rf "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DOSTRIVAN_SANITIZE=OFF -DBUILD_TESTING=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build "$build" -j"$(nproc)" --target ostrivan ostrivan-cli vxn-sim man_pages \
  package_changelog
(cd "$build" && cpack -G DEB)

deb=$(ls "$build"/ostrivan_*.deb)
cp "$deb" .
deb=$(basename "$deb")
echo
echo "== $deb"
dpkg-deb -I "$deb"
echo
echo "== files"
dpkg-deb -c "$deb"

status=0
echo
echo "== lintian"
lintian --info "$deb" || status=1
echo
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net packaging/org.ostrivan.Ostrivan.metainfo.xml || status=1
echo
echo "== desktop-file-validate"
desktop-file-validate packaging/org.ostrivan.Ostrivan.desktop && echo "no findings" || status=1
echo
for page in ostrivan ostrivan-cli vxn-sim; do
  echo "== man --warnings -l $page.1"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$build/man/$page.1" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$warnings"
    status=1
  else
    echo "no warnings"
  fi
done
exit $status
