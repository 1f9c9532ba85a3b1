#!/usr/bin/env bash
# Runs the Windows program's end-to-end scenarios under wine:
#   tests/wine/run_scenarios.sh [LINUX_BUILD [WINDOWS_BUILD]] [-- SCENARIO...]
# (defaults: build and build-windows). Needs the Linux build's quillon (the
# reference for byte-identical updates) and the Windows build's programs and
# driver. Lays out one stand-in print system per scenario in
# WINDOWS_BUILD/wine-e2e, prepares the prefix (WINEPREFIX, default
# WINDOWS_BUILD/wineprefix), registers and starts the Varnell service with sc
# and runs the driver inside the same `wine cmd /c` batch, so that the service
# lives as long as the scenarios. Screenshots land in wine-e2e/shots as PNG.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
linux=$(realpath "${1:-$src/build}")
windows=$(realpath "${2:-$src/build-windows}")
scenarios=()
while [ $# -gt 0 ]; do
    if [ "$1" = -- ]; then
        shift
        scenarios=("$@")
        break
    fi
    shift
done

export WINEPREFIX=${WINEPREFIX:-$windows/wineprefix} WINEARCH=${WINEARCH:-win32} WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
root=$windows/wine-e2e
bin=$windows/bin

# --- The fixtures ---

rm -rf "$root"
mkdir -p "$root"/{shots,expected,original,service,work,locks}
# The Linux programs' profile locks stay in the run's folder.
export QUILLON_LOCK_DIR=$root/locks

# set_device_name FILE NAME: writes NAME in CP932 as the profile's device name
# (270 bytes from offset 6, NUL-filled).
set_device_name() {
    dd if=/dev/zero of="$1" bs=1 seek=6 count=270 conv=notrunc status=none
    printf '%s' "$2" | iconv -f UTF-8 -t CP932 | dd of="$1" bs=1 seek=6 conv=notrunc status=none
}

# Three printers whose slot order (A, B, C) is not the list's sorted order.
declare -A device=([PrinterA]="表示プリンタA" [PrinterB]="Zeta" [PrinterC]="Alpha")
for printer in PrinterA PrinterB PrinterC; do
    cp "$linux/sample/printsys/copypool/PrinterA.ppr" "$root/original/$printer.ppr"  # made by the Linux build from its JSON
    set_device_name "$root/original/$printer.ppr" "${device[$printer]}"
    # The Linux build's silent update of the same script and profile.
    cp "$root/original/$printer.ppr" "$root/work/$printer.ppr"
    cp "$src/sample/prof/PrinterA.SCR" "$root/work/$printer.SCR"
    "$linux/bin/quillon" "$root/work/$printer.SCR" "$root/work/$printer.ppr"
    mv "$root/work/$printer.ppr" "$root/expected/"
    # Its SHA-256 digest, as an update journal must keep it.
    sha256sum "$root/expected/$printer.ppr" | cut -d ' ' -f 1 >"$root/expected/$printer.sha256"
done
printf 'E2E colour profile\n' >"$root/work/QuillonE2E.icm"
printf 'E2E calibration\n' >"$root/work/QuillonE2E.CAL"
printf 'E2E colour correction\n' >"$root/work/QuillonE2E.BCC"

# install FOLDER: the program and its library.
install() {
    mkdir -p "$1/prof"
    cp "$bin/quillon.exe" "$bin/tovrel.dll" "$1/"
}

# print_system FOLDER [PRINTERS...]: the program, the stand-in print system
# with the three printers installed, and the scripts named in prof.
print_system() {
    local folder=$1
    shift
    install "$folder"
    mkdir -p "$folder/printsys/copypool/colprof"
    for printer in PrinterA PrinterB PrinterC; do
        printf '%s\t%s\n' "${device[$printer]}" "$printer" >>"$folder/printsys/devices.txt"
        cp "$root/original/$printer.ppr" "$folder/printsys/copypool/"
    done
    for printer in "$@"; do cp "$root/work/$printer.SCR" "$folder/prof/"; done
}

for scenario in interactive stopped cancel kit recovery; do
    print_system "$root/$scenario" PrinterA PrinterB PrinterC
    cp "$root"/work/QuillonE2E.* "$root/$scenario/prof/"
done
# Update kits: pprtool.exe beside quillon.exe, run as `update KIT`. The
# recovery kit's printers are held by a dialog of recovery-holder, whose
# quillon.exe has PrinterA's script only (the driver points it at the kit's
# print system).
cp "$bin/pprtool.exe" "$root/kit/"
cp "$bin/pprtool.exe" "$root/recovery/"
install "$root/recovery-holder"
cp "$root/work/PrinterA.SCR" "$root/recovery-holder/prof/"
print_system "$root/noscript"
print_system "$root/noprinter"
cp "$root/work/PrinterA.SCR" "$root/noprinter/prof/PrinterX.SCR"
for scenario in silent readonly; do
    install "$root/$scenario"
    cp "$root/work/PrinterA.SCR" "$root/$scenario/prof/"
    cp "$root/original/PrinterA.ppr" "$root/original/PrinterB.ppr" "$root/$scenario/"
done
# The open dialog holds its profiles: pprtool.exe applies another script to
# PrinterA's profile while the dialog is open (10), and again after Execute
# (0); the Linux build's pprtool applies it to the Linux build's update.
print_system "$root/holds" PrinterA
mkdir -p "$root/holds/extra"
printf '[Tessera PPR Version],3.0\r\n[QUILLON_START]\r\n[PPR_Index],MEDIATAB,1\r\nHeldPaper,7,8\r\n[QUILLON_END]\r\n' \
    >"$root/holds/extra/PrinterA.SCR"
mkdir -p "$root/expected/holds"
cp "$root/expected/PrinterA.ppr" "$root/expected/holds/"
"$linux/bin/pprtool" apply "$root/holds/extra/PrinterA.SCR" "$root/expected/holds/PrinterA.ppr" >/dev/null

# Silent updates with the two paths in relative forms, by quillon and by
# pprtool apply: each form in a folder of its own, the script and the profile
# in its files/ folder, run from the folder the form starts in. The Linux
# build runs the same forms first; the driver compares status and bytes.
# NAME PROGRAM START SCRIPT PROFILE (separators '/'; the driver gets '\').
relative_forms=(
    "bare . PrinterA.SCR PrinterA.ppr"
    "dot . ./PrinterA.SCR ./PrinterA.ppr"
    "up deeper ../PrinterA.SCR ../PrinterA.ppr"
    "sub .. files/PrinterA.SCR files/PrinterA.ppr"
    "mixed deeper ../PrinterA.SCR ../../files/PrinterA.ppr"
)
mkdir -p "$root/relative" "$root/relative-linux" "$root/bin"
cp "$bin/quillon.exe" "$bin/pprtool.exe" "$bin/tovrel.dll" "$root/bin/"
: >"$root/relative/forms.tsv"
for program in quillon pprtool; do
    for form in "${relative_forms[@]}"; do
        read -r name start script profile <<<"$form"
        for side in relative relative-linux; do
            mkdir -p "$root/$side/$program-$name/files/deeper"
            cp "$root/work/PrinterA.SCR" "$root/original/PrinterA.ppr" "$root/$side/$program-$name/files/"
        done
        arguments="$script $profile"
        [ $program = pprtool ] && arguments="apply $arguments"
        status=0
        # shellcheck disable=SC2086 # the arguments are split on purpose
        (cd "$root/relative-linux/$program-$name/files/$start" &&
            TOVREL_ROOT=$root/relative-linux "$linux/bin/$program" $arguments >/dev/null 2>&1) || status=$?
        printf '%s\t%s\t%s\t%s\t%s\n' "$program-$name" "$program" "$start" "${arguments//\//\\}" "$status" \
            >>"$root/relative/forms.tsv"
    done
done

# The differential run: profiles and scripts made by the generator of the
# silent-mode model test, every tenth pair with base names that differ, run
# by the Linux build; the driver runs quillon.exe on copies and compares
# status, profile bytes and the messages shown (the Linux build writes a
# message box as a line "Quillon: <text>").
cases=${QUILLON_DIFFERENTIAL_CASES:-60}
differential=$root/differential
"$linux/bin/make_silent_cases" "$differential/input" 1 "$cases"
: >"$differential/cases.tsv"
while IFS=$'\t' read -r seed script profile; do
    if [ $((seed % 10)) = 3 ]; then
        mv "$differential/input/$seed/$profile" "$differential/input/$seed/Other.${profile##*.}"
        profile=Other.${profile##*.}
    fi
    mkdir -p "$differential/linux" "$differential/windows" "$differential/printsys"
    cp -r "$differential/input/$seed" "$differential/linux/"
    cp -r "$differential/input/$seed" "$differential/windows/"
    status=0
    output=$(TOVREL_ROOT=$differential/printsys "$linux/bin/quillon" "$differential/linux/$seed/$script" \
        "$differential/linux/$seed/$profile" 2>&1) || status=$?
    messages=$(printf '%s\n' "$output" | sed -n 's/^Quillon: //p' | paste -sd '|')
    printf '%s\t%s\t%s\t%s\t%s\n' "$seed" "$script" "$profile" "$status" "$messages" >>"$differential/cases.tsv"
done <"$differential/input/cases.tsv"

cp "$bin/varnell.exe" "$root/service/"
cp "$bin/driver.exe" "$bin/menu_hook.dll" "$root/"

# --- The prefix, a display, and the run ---

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
    display_file=$(mktemp)
    Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
    export DISPLAY=:$(cat "$display_file")
    rm -f "$display_file"
fi
cleanup() {
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

# A wine server left from an earlier run would keep that run's display.
wineserver -k 2>/dev/null && wineserver -w 2>/dev/null || true
bash "$src/tests/wine/setup_prefix.sh" "$WINEPREFIX"
# The print system's system colour folder; it outlives a run, so no file of
# an earlier one may count.
mkdir -p "$WINEPREFIX/drive_c/windows/system32/color"
rm -f "$WINEPREFIX/drive_c/windows/system32/color/"QuillonE2E.*

w() { winepath -w "$1"; }
{
    printf '@echo off\r\n'
    printf 'sc stop Varnell >nul 2>&1\r\n'
    printf 'sc delete Varnell >nul 2>&1\r\n'
    printf 'sc create Varnell binPath= "%s" >nul\r\n' "$(w "$root/service/varnell.exe")"
    printf 'sc start Varnell >nul\r\n'
    printf '"%s" "%s" %s\r\n' "$(w "$root/driver.exe")" "$(w "$root")" "${scenarios[*]:-}"
    printf 'set result=%%ERRORLEVEL%%\r\n'
    printf 'sc stop Varnell >nul 2>&1\r\n'
    printf 'sc delete Varnell >nul 2>&1\r\n'
    printf 'exit %%result%%\r\n'
} >"$root/run.bat"

status=0
(cd "$root" && wine cmd /c "$(w "$root/run.bat")") || status=$?

if [ -x /usr/bin/convert ]; then
    for shot in "$root"/shots/*.bmp; do
        [ -e "$shot" ] && /usr/bin/convert "$shot" "${shot%.bmp}.png" && rm "$shot"
    done
fi
echo "screenshots: $root/shots"
exit $status
