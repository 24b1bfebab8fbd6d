#!/usr/bin/env bash
# Compiles the program's sources for Windows, for syntax, with Debian's
# MinGW-w64 cross compiler against Qt's headers, and its resource script
# with windres. The Windows-only branches (the system-menu entry, the COM
# port names, the version resource) get compiled nowhere else.
#
#   bash scripts/windows-syntax.sh GENERATED_DIR
#
# GENERATED_DIR holds the build's version.h. Qt's Linux headers stand in for
# the Windows ones: they declare Qt's exports without dllimport, which only
# warns (-Wno-attributes); everything else is an error.
set -euo pipefail
cd "$(dirname "$0")/.."
generated=$1
qt=$(pkg-config --variable=includedir Qt6Core 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)
includes=(-I"$generated" -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets"
          -I"$qt/QtSerialPort")
for layer in model link exchange storage dialogs app cli; do
  includes+=(-I"src/$layer")
done

status=0
sources=(src/*/*.cpp)
count=${#sources[@]}
# One compiler a core: each source stands alone.
export WINDOWS_SYNTAX_FLAGS="-std=c++20 -fsyntax-only -Wall -Wextra -Werror -Wno-attributes -DUNICODE -D_UNICODE ${includes[*]}"
if ! printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -I{} sh -c \
    'x86_64-w64-mingw32-g++ $WINDOWS_SYNTAX_FLAGS "$1" || { echo "windows-syntax: $1 does not compile for Windows"; exit 1; }' \
    sh {}; then
  status=1
fi
object=$(mktemp --suffix=.o)
if ! x86_64-w64-mingw32-windres -I"$generated" src/app/ostrivan.rc -O coff -o "$object"; then
  echo "windows-syntax: src/app/ostrivan.rc does not compile"
  status=1
fi
rm -f "$object"
if [ $status -eq 0 ]; then
  echo "windows-syntax: $count sources and the resource script compiled for Windows"
fi
exit $status
