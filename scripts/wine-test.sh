#!/usr/bin/env bash
# Runs one Qt test program under Wine for CTest and prints its log. Without
# a console, Qt Test writes its log to the debugger instead of standard
# output, so the log goes to a file, printed when the program ends.
#
#   wine-test.sh PROGRAM.exe [ARGUMENT...]
set -uo pipefail
log=$(mktemp --suffix=.txt)
/usr/lib/wine/wine64 "$@" -o "$log,txt"
status=$?
cat "$log"
rm -f "$log"
exit $status
