#!/usr/bin/env bash
# Builds a minimal shared Qt for Windows (Core, Gui, Widgets, Test; the
# windows and offscreen platform plugins and the windowsvista style) with
# MinGW-w64 from Debian's own qtbase source package, the same version as the
# host Qt, and caches it outside the checkout.
#
#   bash scripts/windows-qt.sh      prints the installed Qt's folder
#
# The cache is keyed by the Qt version, the configure line and the
# toolchain file's content (not its path: every clone shares it), so a second
# run with the same line takes a second. OSTRIVAN_CACHE moves the cache
# (default /var/cache/ostrivan).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
cache=${OSTRIVAN_CACHE:-/var/cache/ostrivan}
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)   # 6.4.2+dfsg-10
upstream=${version%%+*}
toolchain=$top/cmake/mingw-w64-x86_64.cmake

configure_line=(
  -release -shared -opensource -confirm-license
  -nomake examples -nomake tests
  -no-opengl -no-dbus -no-icu -no-feature-sql -no-feature-network -no-feature-xml
  -no-feature-printsupport -no-feature-vulkan -no-feature-concurrent
  -no-feature-tabletevent -no-feature-direct2d -no-feature-directwrite3
  -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre
  -no-feature-fontconfig
  -qt-host-path /usr
)
key=$(printf '%s\n' "$version" "${configure_line[@]}" "$(sha256sum < "$toolchain")" | sha256sum | cut -c1-16)
prefix=$cache/qt-$upstream-mingw64-$key
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work=$cache/work-$key
rm -rf "$work" "$prefix"
mkdir -p "$work" "$cache/apt/lists/partial" "$cache/ccache"

# Debian's source, through a private apt configuration so that the
# machine's own sources stay untouched; apt checks it against the signed
# index.
sources=$cache/apt/sources.list
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" > "$sources"
apt_opts=(-o "Dir::Etc::sourcelist=$sources" -o Dir::Etc::sourceparts=- -o "Dir::State::Lists=$cache/apt/lists")
apt-get "${apt_opts[@]}" update >&2
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only "qt6-base=$version" >&2 &&
  dpkg-source -x --no-check qt6-base_*.dsc qtbase >&2)

export CCACHE_DIR=$cache/ccache
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
mkdir -p "$work/build"
(cd "$work/build" &&
  ../qtbase/configure -prefix "$prefix" "${configure_line[@]}" -- \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >&2 &&
  cmake --build . --parallel "$(nproc)" >&2 &&
  cmake --install . >&2)
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
