#!/usr/bin/env bash
# Builds Ostrivan for 64-bit Windows on this Debian machine and tests it under
# Wine: installs what is missing, builds Qt for Windows when it is not cached
# (scripts/windows-qt.sh), cross-builds the programs and the tests, runs the
# tests with CTest under Wine, runs the programs end to end against the
# simulated transducer through Wine's COM ports, and makes the installer
# ostrivan-<version>-setup-x86_64.exe and the archive
# ostrivan-<version>-windows-x86_64.zip in the top folder, then installs the
# installer in a fresh Wine prefix, runs it again while the program runs and
# once more over itself, and uninstalls it.
#
#   bash scripts/windows.sh [--screenshot FILE.png]
set -euo pipefail
cd "$(dirname "$0")/.."
# Wine hands every serial device of the machine a COM number; no test may
# open one, so the whole run sees a /dev without them.
if [ -z "${OSTRIVAN_NO_SERIAL_DEVICES:-}" ]; then
  exec bash scripts/without-serial-devices.sh bash scripts/windows.sh "$@"
fi
top=$PWD
screenshot=
if [ "${1:-}" = --screenshot ]; then
  screenshot=$(realpath -m "$2")
fi

bash scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 nsis ccache zip fonts-wine \
  dpkg-dev xz-utils python3-markdown xvfb xdotool imagemagick file

qt=$(bash scripts/windows-qt.sh)
echo "Qt for Windows: $qt"
version=$(sed -n 's/^project(ostrivan VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
triple=x86_64-w64-mingw32
runtime=$(dirname "$($triple-g++-posix -print-libgcc-file-name)")

# The simulator runs on Linux, on the other end of Wine's COM port.
cmake -S . -B build-host -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-host -j"$(nproc)" --target vxn-sim
sim=$top/build-host/sim/vxn-sim

export CCACHE_DIR=${OSTRIVAN_CACHE:-/var/cache/ostrivan}/ccache
build=build-windows
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$top/scripts/wine-test.sh"
cmake --build "$build" -j"$(nproc)"

# A Wine prefix of this run's own: no Mono or Gecko asked for, no desktop
# entries on the host, Wine's noise out of the logs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
fresh_prefix() {
  export WINEPREFIX=$1
  rm -rf "$WINEPREFIX"
  "$wine" wineboot --init
  # The dialogs' font maps to a sans face, as on Windows.
  for face in "MS Shell Dlg" "MS Shell Dlg 2"; do
    "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v "$face" /d Tahoma /f >/dev/null
  done
  /usr/lib/wine/wineserver -w
}
windows_path() { echo "Z:${1//\//\\}"; }
fresh_prefix "$top/$build/wine"
# Wine passes no QT_ variable from the host to a program: the tests' prefix
# holds them. The window of the end-to-end run asks for the windows platform.
"$wine" reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f >/dev/null
"$wine" reg add 'HKCU\Environment' /v QT_QPA_FONTDIR \
  /d "$(windows_path /usr/share/fonts/truetype/dejavu)" /f >/dev/null
/usr/lib/wine/wineserver -w
# The DLLs the programs load: Qt's and the compiler's runtime.
export WINEPATH="$(windows_path "$qt/bin");$(windows_path "$runtime");$(windows_path "/usr/$triple/lib")"

echo "== tests under Wine"
(cd "$build" && ctest --output-on-failure --timeout 300)

echo "== end to end under Wine"
bash scripts/windows-e2e.sh "$build" "$sim" "$screenshot"

# What the installer and the archive hold: the programs, every DLL their
# import tables name that is not the system's, and the plugins no import
# table names.
stage=$build/stage
rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/doc"
# The README's picture, where the README's page looks for it.
cp doc/windows-read.png "$stage/doc/"
cp "$build/src/ostrivan.exe" "$build/src/ostrivan-cli.exe" src/dialogs/icons/ostrivan.ico "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
declare -A seen=()
gather() {
  local name found dir
  for name in $($triple-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'); do
    [ -n "${seen[$name]:-}" ] && continue
    seen[$name]=1
    found=
    for dir in "$qt/bin" "$runtime" "/usr/$triple/lib"; do
      if [ -f "$dir/$name" ]; then found=$dir/$name; break; fi
    done
    if [ -n "$found" ]; then
      cp "$found" "$stage/"
      gather "$found"
    fi
  done
}
for binary in "$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll; do
  gather "$binary"
done
{
  echo '<!DOCTYPE html><html lang="ru"><head><meta charset="utf-8"><title>Ostrivan</title>'
  echo '<style>body{font-family:sans-serif;max-width:50em;margin:auto}'
  echo 'pre,code{overflow-wrap:anywhere;white-space:pre-wrap}table{border-collapse:collapse}'
  echo 'td,th{border:1px solid #999;padding:2px 6px}</style></head><body>'
  /usr/bin/python3 -m markdown -x tables -x fenced_code README.md
  echo '</body></html>'
} > "$stage/README.html"
echo "== staged"
ls -l "$stage" "$stage/platforms" "$stage/styles"

setup=ostrivan-$version-setup-x86_64.exe
archive=ostrivan-$version-windows-x86_64.zip
makensis -V2 -WX -DVERSION="$version" -DSTAGE="$top/$stage" -DOUTFILE="$top/$setup" \
  packaging/ostrivan.nsi
rm -f "$archive"
(cd "$stage" && zip -qr "$top/$archive" .)
ls -l "$setup" "$archive"

echo "== installer in a fresh prefix"
fresh_prefix "$top/$build/wine-install"
unset WINEPATH
"$wine" "$top/$setup" /S
/usr/lib/wine/wineserver -w
installed=$WINEPREFIX/drive_c/Program\ Files/Ostrivan
"$wine" "$installed/ostrivan-cli.exe" --version | tee "$build/installed-version.txt"
grep -q "$version" "$build/installed-version.txt"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrivan'
"$wine" reg query "$uninstall_key" /v DisplayVersion | grep -q "$version"
# While the program runs, the installer asks to close it; silently it gives
# up (exit 2) and leaves the installed files as they are.
Xvfb :97 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
DISPLAY=:97 "$wine" "$installed/ostrivan.exe" >/dev/null 2>&1 &
running=$!
for _ in $(seq 100); do
  DISPLAY=:97 xdotool search --onlyvisible --name '^Ostrivan$' >/dev/null 2>&1 && break
  sleep 0.1
done
status=0
"$wine" "$top/$setup" /S || status=$?
/usr/lib/wine/wineserver -k 2>/dev/null || true
wait "$running" 2>/dev/null || true
kill "$xvfb" 2>/dev/null || true
if [ "$status" -ne 2 ] || [ ! -f "$installed/ostrivan-cli.exe" ]; then
  echo "windows: the installer did not wait for the running program (exit $status)" >&2
  exit 1
fi
# Installing again over it leaves one program and one Uninstall entry.
"$wine" "$top/$setup" /S
/usr/lib/wine/wineserver -w
[ "$("$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' | grep -c 'Uninstall\\Ostrivan')" -eq 1 ]
"$wine" "$installed/uninstall.exe" /S
/usr/lib/wine/wineserver -w
# The uninstaller may finish after it returns.
for _ in $(seq 50); do [ -e "$installed" ] || break; sleep 0.2; done
if [ -e "$installed" ] || [ -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Ostrivan" ] ||
   "$wine" reg query "$uninstall_key" >/dev/null 2>&1; then
  echo "windows: the uninstaller left something behind" >&2
  find "$installed" 2>/dev/null || true
  exit 1
fi
echo "windows: $setup and $archive made, tested under Wine"
