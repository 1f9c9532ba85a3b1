#!/usr/bin/env bash
# Runs a Windows program under wine for CTest (the cross build's emulator):
#   run_in_wine.sh PROGRAM.exe ARGS...
# wine's helper processes (wineserver, services, the desktop) outlive the
# program and would keep CTest's output pipes open; they get files instead,
# which are passed on once the program has ended.
set -u
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
wine "$@" >"$out" 2>"$err" </dev/null
status=$?
cat "$out"
cat "$err" >&2
exit $status
