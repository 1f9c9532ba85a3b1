#!/usr/bin/env bash
# Runs pprtool.exe under wine as at a Windows prompt, on profiles in folders
# named in Japanese (日本) and with a character outside code page 932 (ñ):
#   tests/wine/run_pprtool.sh LINUX_BUILD WINDOWS_BUILD
# Every verb (check, dump, dump --json, make, plan, apply --backup, diff,
# apply, apply --json, a missing file, a usage error) runs through both the
# Windows build's pprtool.exe, its output redirected to files, and the Linux
# build's pprtool on copies of the same inputs: statuses, standard output and
# standard error must be the same, with paths spelled the platform's way, the
# backups' time stamps and the Windows line ends (CR LF) set aside; the files
# made and updated must be byte-identical. Then a console's text is read back
# (console_run.exe, tests/wine/driver/console_run.cpp): what pprtool.exe
# shows there must be the lines the Linux build prints, プリンタA included,
# where the same UTF-8 bytes written as they are (cmd /c type) show garbled.
# One `ok N - ...` or `not ok N - ...` line per fact and a summary; exits 1 on
# any failure, 2 when the fixtures cannot be laid out. Layout in
# WINDOWS_BUILD/wine-pprtool; prefix WINEPREFIX (default
# WINDOWS_BUILD/wineprefix). No display is needed.
set -uo pipefail  # no -e: a failing fact is counted, not fatal
src=$(cd "$(dirname "$0")/../.." && pwd)
linux=$(realpath "${1:?usage: run_pprtool.sh LINUX_BUILD WINDOWS_BUILD}") || exit 2
windows=$(realpath "${2:?usage: run_pprtool.sh LINUX_BUILD WINDOWS_BUILD}") || exit 2

export WINEPREFIX=${WINEPREFIX:-$windows/wineprefix} WINEARCH=${WINEARCH:-win32} WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
root=$windows/wine-pprtool
out=$root/out
folders=(日本 ñ)

# --- The fixtures: the same inputs for each build, one tree each ---

bad_script() {
    printf '[Tessera PPR Version],3.0\r\n[QUILLON_START]\r\n[PPR_Index],INKTAB,2\r\n'
    printf 'シアン，0x0000C100,0x00000001\r\nライトシアン,0x0000C004,0x00000000\r\n'  # a full-width comma
    printf '[PPR_Index],RESOLTAB,1\r\n72O,720,1,1,0,0\r\n[QUILLON_END]\r\n'
}
lay_out() {
    rm -rf "$root" && mkdir -p "$out" "$root/locks" || return 1
    local side folder
    for side in linux windows; do
        mkdir -p "$root/$side/printsys" || return 1
        for folder in "${folders[@]}"; do
            mkdir -p "$root/$side/$folder/backups" &&
                cp "$linux/sample/printsys/copypool/PrinterA.ppr" "$src/sample/prof/PrinterA.SCR" \
                    "$root/$side/$folder/" &&
                bad_script | iconv -f UTF-8 -t CP932 >"$root/$side/$folder/Bad.SCR" || return 1
        done
    done
}
lay_out || { echo "run_pprtool: cannot lay out $root" >&2; exit 2; }
export QUILLON_LOCK_DIR=$root/locks  # the Linux pprtool's profile locks stay in the run's folder
bash "$src/tests/wine/setup_prefix.sh" "$WINEPREFIX" || exit 2
wroot=$(winepath -w "$root") && wbin=$(winepath -w "$windows/bin") || exit 2

# --- Checks ---

checks=0
failures=0
ok() {  # ok STATUS TEXT: a fact that holds when STATUS is 0
    checks=$((checks + 1))
    if [ "$1" = 0 ]; then
        echo "ok $checks - $2"
    else
        failures=$((failures + 1))
        echo "not ok $checks - $2"
    fi
}

# windows_path UNIX_PATH: the Windows spelling of a path under $root.
windows_path() {
    local rest=${1#"$root"}
    printf '%s%s' "$wroot" "${rest//\//\\}"
}

# side_arguments SIDE ARG...: sets `arguments`: each ARG that starts with @
# is a path under SIDE's tree (a glob there picks its one file), spelled as
# SIDE's program takes it; the others stay.
side_arguments() {
    local side=$1 arg path
    shift
    arguments=()
    for arg in "$@"; do
        if [ "${arg:0:1}" = @ ]; then
            path=$(compgen -G "$root/$side/${arg:1}" || echo "$root/$side/${arg:1}")
            [ "$side" = windows ] && path=$(windows_path "$path")
            arguments+=("$path")
        else
            arguments+=("$arg")
        fi
    done
}

# normalise SIDE < TEXT: paths under SIDE's tree become @/<path with />
# (plain or escaped in JSON), a backup's time stamp STAMP, CR LF LF.
normalise() {
    local base
    if [ "$1" = windows ]; then base="$wroot\\windows\\"; else base="$root/linux/"; fi
    BASE=$base JSON_BASE=${base//\\/\\\\} perl -pe '
        s/\r$//;
        s/\d{8}T\d{6}Z(-\d+)?/STAMP/g;
        s{\Q$ENV{JSON_BASE}\E((?:[^\\"\t\r\n ]|\\\\)*)}{"@/" . ($1 =~ s#\\\\#/#gr)}ge;
        s{\Q$ENV{BASE}\E([^"\t\r\n ]*)}{"@/" . ($1 =~ s#\\#/#gr)}ge;'
}

# file_of NAME: the name of a fact's files in $out.
file_of() { printf '%s' "${1//\//_}"; }

# same_text NAME: $out/NAME.linux and $out/NAME.windows agree; prints the
# first differences as comments when they do not.
same_text() {
    cmp -s "$out/$1.linux" "$out/$1.windows" && return 0
    diff "$out/$1.linux" "$out/$1.windows" | head -n 8 | sed 's/^/# /'
    return 1
}

# pprtool NAME EXPECTED-STATUS VERB ARG...: runs the verb on both builds,
# output redirected to files, and checks both statuses and both streams.
# The raw output stays in $out/raw.out.SIDE.
pprtool() {
    local name=$1 expected=$2 status_linux=0 status_windows=0 result=0 file side
    shift 2
    side_arguments linux "$@"
    TOVREL_ROOT="$root/linux/printsys" "$linux/bin/pprtool" "${arguments[@]}" \
        >"$out/raw.out.linux" 2>"$out/raw.err.linux" </dev/null || status_linux=$?
    side_arguments windows "$@"
    TOVREL_ROOT="$wroot\\windows\\printsys" wine "$windows/bin/pprtool.exe" "${arguments[@]}" \
        >"$out/raw.out.windows" 2>"$out/raw.err.windows" </dev/null || status_windows=$?
    file=$(file_of "$name")
    for side in linux windows; do
        normalise $side <"$out/raw.out.$side" >"$out/$file.out.$side"
        normalise $side <"$out/raw.err.$side" >"$out/$file.err.$side"
    done
    same_text "$file.out" || result=1
    same_text "$file.err" || result=1
    [ "$status_linux" = "$expected" ] && [ "$status_windows" = "$expected" ] || result=1
    ok $result "$name: status $expected (Linux $status_linux, Windows $status_windows), output and errors as on Linux"
}

# same_files TEXT FILE [EXPECTED]: FILE (under each tree; a glob picks one)
# is byte-identical in both trees, and to the Linux build's EXPECTED when
# given.
same_files() {
    local linux_file windows_file result=0
    linux_file=$(compgen -G "$root/linux/$2") && windows_file=$(compgen -G "$root/windows/$2") &&
        cmp -s "$linux_file" "$windows_file" || result=1
    if [ -n "${3:-}" ]; then cmp -s "$windows_file" "$linux/$3" || result=1; fi
    ok $result "$1"
}

# --- Every verb, on paths in each folder ---

for f in "${folders[@]}"; do
    pprtool "$f: check PrinterA.SCR" 0 check "@$f/PrinterA.SCR"
    pprtool "$f: check Bad.SCR" 1 check "@$f/Bad.SCR"
    pprtool "$f: dump" 0 dump "@$f/PrinterA.ppr"
    pprtool "$f: dump --json" 0 dump --json "@$f/PrinterA.ppr"
    # The JSON each build printed is its own make's input.
    for side in linux windows; do cp "$out/raw.out.$side" "$root/$side/$f/PrinterA.json"; done
    pprtool "$f: make" 0 make "@$f/PrinterA.json" "@$f/Made.ppr"
    same_files "$f: make writes the profile that dump --json read, byte for byte" "$f/Made.ppr" \
        sample/printsys/copypool/PrinterA.ppr
    pprtool "$f: plan" 0 plan "@$f/PrinterA.SCR" "@$f/PrinterA.ppr"
    pprtool "$f: apply --backup" 0 apply "@$f/PrinterA.SCR" "@$f/PrinterA.ppr" --backup "@$f/backups"
    same_files "$f: apply --backup keeps the old profile in the backup folder" "$f/backups/PrinterA.*.ppr" \
        sample/printsys/copypool/PrinterA.ppr
    same_files "$f: apply updates the profile as the Linux build does" "$f/PrinterA.ppr"
    pprtool "$f: diff" 1 diff "@$f/backups/PrinterA.*.ppr" "@$f/PrinterA.ppr"
    pprtool "$f: apply again" 0 apply "@$f/PrinterA.SCR" "@$f/PrinterA.ppr"
    pprtool "$f: apply --json" 0 apply --json "@$f/PrinterA.SCR" "@$f/PrinterA.ppr"
    pprtool "$f: dump of a missing file" 2 dump "@$f/nothing.ppr"
    pprtool "$f: usage error naming a path" 64 dump "@$f/PrinterA.ppr" "@$f/extra.ppr"
done

# --- A console: what pprtool.exe shows there ---

# screen NAME PROGRAM ARG...: runs the command in a console of its own and
# keeps the console's text, normalised, blanks at the ends of lines and
# empty lines at the end set aside, in $out/NAME.windows; sets `status`.
screen() {
    local name=$1
    shift
    side_arguments windows "$@"
    status=0
    wine "$windows/bin/console_run.exe" "$wroot\\out\\screen.txt" "${arguments[@]}" </dev/null || status=$?
    normalise windows <"$out/screen.txt" | sed -e 's/ *$//' -e :a -e '/^\n*$/{$d;N;ba' -e '}' \
        >"$out/$(file_of "$name").windows"
}

# console NAME EXPECTED-STATUS LINUX-TEXT PROGRAM ARG...: the console shows
# LINUX-TEXT (a file in $out, normalised) and the command ends with the
# status expected.
console() {
    local name=$1 expected=$2 result=0
    screen "$name" "${@:4}"
    sed -e 's/ *$//' "$out/$3" >"$out/$(file_of "$name").linux"
    same_text "$(file_of "$name")" || result=1
    [ "$status" = "$expected" ] || result=1
    ok $result "$name: status $expected (got $status), the console shows what the Linux build prints"
}

console "console: dump 日本/Made.ppr" 0 "日本: dump.out.linux" "$wbin\\pprtool.exe" dump "@日本/Made.ppr"
grep -q '^deviceName: "プリンタA"$' "$out/$(file_of "console: dump 日本/Made.ppr").windows"
ok $? "console: the device name reads プリンタA"
console "console: check ñ/Bad.SCR" 1 "ñ: check Bad.SCR.out.linux" "$wbin\\pprtool.exe" check "@ñ/Bad.SCR"
console "console: dump of a missing file in ñ" 2 "ñ: dump of a missing file.err.linux" \
    "$wbin\\pprtool.exe" dump "@ñ/nothing.ppr"
# The control: this console garbles UTF-8 bytes written to it as they are.
screen "console control" cmd.exe /c type "$(windows_path "$out/日本: dump.out.linux")"
grep -q '^deviceName: "' "$out/console control.windows" && ! grep -q 'プリンタA' "$out/console control.windows"
ok $? "console (control): the Linux dump's UTF-8 bytes typed there (cmd /c type) show deviceName but not プリンタA"

echo "pprtool under wine: $checks checks, $failures failed"
[ "$failures" = 0 ]
