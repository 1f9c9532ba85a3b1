#!/usr/bin/env bash
# Checks that every Windows binary in a folder imports only DLLs that Windows
# itself ships, or tovrel.dll (the print system's library, installed beside the
# program). A mingw runtime DLL (libwinpthread-1.dll, libstdc++-6.dll,
# libgcc_s_*.dll) would stop the program from starting on a clean Windows.
#   tools/check_imports.sh FOLDER
set -euo pipefail
folder=${1:?usage: check_imports.sh FOLDER}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

# Lower case. The system DLLs a Win32 program of ours may link against.
allowed=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll bcrypt.dll comctl32.dll msvcrt.dll tovrel.dll "

status=0
count=0
shopt -s nullglob
for binary in "$folder"/*.exe "$folder"/*.dll; do
    count=$((count + 1))
    imports=$("$objdump" -p "$binary" | awk '/DLL Name:/ {print $3}')
    for dll in $imports; do
        if [[ "$allowed" != *" ${dll,,} "* ]]; then
            echo "check_imports: $(basename "$binary") imports $dll, which Windows does not ship" >&2
            status=1
        fi
    done
    echo "  $(basename "$binary"): $(echo $imports)"
done
if [ "$count" = 0 ]; then
    echo "check_imports: no .exe or .dll in $folder" >&2
    exit 1
fi
exit $status
