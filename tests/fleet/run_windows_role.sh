#!/usr/bin/env bash
# Rolls an update kit out with the quillon_update role (fleet/ansible) to two
# Windows print servers on this machine, through the role's Windows tasks:
# their ansible.windows modules are the stand-ins of
# tests/fleet/windows_standins, which work on a wine prefix and run
# pprtool.exe under wine. Each server is a local connection with a prefix of
# its own (a copy of the prepared one), its print system in a folder of C:\
# (the stand-in tovrel.dll, devices.txt, copypool\) and varnell.exe
# registered and running as its service. host1 takes KIT and PRINTSYS; host2
# a pair this script writes, a printer named in Japanese (プリンタＣ) with its
# script, profile and colour files, in folders whose names hold a blank and
# Japanese. A preview (--check --diff), the update, a second update that
# finds nothing to do and the rollback; one "ok N - ..." / "not ok N - ..."
# line per fact, then the total time.
#
#   bash tests/fleet/run_windows_role.sh BUILD_DIR WINDOWS_BUILD_DIR [KIT PRINTSYS]
#
# BUILD_DIR: the Linux build (bin/quillon's silent mode makes the expected
# profiles, bin/pprtool makes .ppr files from .json). WINDOWS_BUILD_DIR: the
# Windows build that wine runs here (bin/pprtool.exe, tovrel.dll, varnell.exe,
# create_process.exe). KIT: a folder holding prof/ (default BUILD_DIR/sample);
# PRINTSYS: devices.txt and copypool/ with .ppr or .json profiles (default
# BUILD_DIR/sample/printsys). Wine as tests/wine/wine_env.sh sets it up; the
# prefix copied is WINEPREFIX (default WINDOWS_BUILD_DIR/wineprefix), prepared
# first if need be.
set -uo pipefail
started=$(date +%s%N)
root=$(cd "$(dirname "$0")/../.." && pwd)
usage="usage: run_windows_role.sh BUILD_DIR WINDOWS_BUILD_DIR [KIT PRINTSYS]"
build=$(cd "${1:?$usage}" && pwd) || exit 2
windows=$(cd "${2:?$usage}" && pwd) || exit 2
kit_in=$(cd "${3:-$build/sample}" && pwd) || exit 2
printsys_in=$(cd "${4:-$build/sample/printsys}" && pwd) || exit 2
command -v ansible-playbook > /dev/null || { echo "Bail out! no ansible-playbook"; exit 2; }
for file in "$build/bin/quillon" "$build/bin/pprtool" "$windows/bin/pprtool.exe" "$windows/bin/tovrel.dll" \
    "$windows/bin/varnell.exe" "$windows/bin/create_process.exe" "$kit_in/prof" "$printsys_in/devices.txt"; do
    [ -e "$file" ] || { echo "Bail out! no $file"; exit 2; }
done
playbooks=$root/fleet/ansible

export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8  # wine's code page 932
base_prefix=${WINEPREFIX:-$windows/wineprefix}
cd "$root" || exit 2
# shellcheck source=tests/wine/wine_env.sh
source tests/wine/wine_env.sh || { echo "Bail out! wine cannot run here: $QUILLON_WINE_WHY"; exit 2; }
bash "$root/tests/wine/setup_prefix.sh" "$base_prefix" || { echo "Bail out! cannot prepare $base_prefix"; exit 2; }
WINEPREFIX=$base_prefix wineserver -w  # its registry written out before it is copied

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-fleet-windows.XXXXXX")
hosts=(host1 host2)
holders=()
cleanup() {
    local host
    [ ${#holders[@]} = 0 ] || kill "${holders[@]}" 2> /dev/null
    for host in "${hosts[@]}"; do
        [ -d "$scratch/$host/prefix" ] && WINEPREFIX=$scratch/$host/prefix wineserver -k 2> /dev/null
    done
    wait
    rm -rf "$scratch"
}
trap cleanup EXIT

ANSIBLE_PLAYBOOK_OPTIONS=-v
# shellcheck source=tests/fleet/playbook_checks.sh
source "$root/tests/fleet/playbook_checks.sh"

# The modules run with the Python that runs ansible-playbook.
python=$(sed -n '1s/^#! *\([^ ]*\).*/\1/p' "$(command -v ansible-playbook)")
case "$python" in */python3*) ;; *) python=$(command -v python3) ;; esac

# --- the two pairs, the kits and the expected profiles -------------------------
# host2's pair: the printer プリンタＣ on the device デバイスＣ, its profile made
# from the sample's PrinterB with the device name changed, a script (code
# page 932, CR LF) and two colour files named after it.
pair2=$scratch/pair2
mkdir -p "$pair2/kit/prof" "$pair2/printsys/copypool/colprof"
printf '# A printer named in Japanese.\nデバイスＣ\tプリンタＣ\n' > "$pair2/printsys/devices.txt"
"$python" - "$root/sample/printsys/copypool/PrinterB.json" "$pair2/printsys/copypool/プリンタＣ.json" << 'PY' || exit 2
import json, sys
profile = json.load(open(sys.argv[1], encoding="utf-8"))
profile["header"]["deviceName"] = "プリンタＣ"
json.dump(profile, open(sys.argv[2], "w", encoding="utf-8"), ensure_ascii=False, indent=2)
PY
printf '%s\r\n' '[Tessera PPR Version],3.0' '#プリンタＣ の更新：シアンを変え、インクと用紙を一つずつ足す' '[QUILLON_START]' \
    '[PPR_Index],INKTAB,2' 'シアン,0x0000C100,0x00000002' 'ライトシアン,0x0000C004,0x00000000' \
    '[PPR_Index],MEDIATAB,1' '和紙,0x00000500,0x00000000' '[QUILLON_END]' |
    iconv -f UTF-8 -t CP932 > "$pair2/kit/prof/プリンタＣ.SCR" || exit 2
printf 'プリンタＣ colour profile\r\n' > "$pair2/kit/prof/プリンタＣ_和紙.icm"
printf 'プリンタＣ linearisation\r\n' > "$pair2/kit/prof/プリンタＣ.BLS"
"$build/bin/pprtool" check "$pair2/kit/prof/プリンタＣ.SCR" > "$scratch/check.log" 2>&1 ||
    { sed 's/^/# /' "$scratch/check.log"; echo "Bail out! the script of プリンタＣ does not pass pprtool check"; exit 2; }

declare -A kit_src=([host1]=$kit_in [host2]=$pair2/kit) printsys_src=([host1]=$printsys_in [host2]=$pair2/printsys)
declare -A print_dir=([host1]='C:\PrintSystem' [host2]='C:\Print System')
declare -A base_dir=([host1]='C:\ProgramData\Quillon' [host2]='C:\ProgramData\Quillon 更新')
unix_path() {  # HOST WINDOWS_PATH (on C:): where it lies in the host's prefix
    local rest=${2:3}
    printf '%s/%s' "$scratch/$1/prefix/drive_c" "${rest//\\//}"
}
sq() { printf "'%s'" "${1//\'/\'\\\'\'}"; }  # a word quoted for sh

mkdir -p "$scratch/locks" "$scratch/run" "$scratch/ansible"
chmod 1777 "$scratch/locks"
inventory=$scratch/inventory.yml
printf 'all:\n  children:\n    print_servers:\n      hosts:\n' > "$inventory"
for host in "${hosts[@]}"; do
    dir=$scratch/$host
    mkdir -p "$dir/kit" "$dir/original" "$dir/expected"
    cp -a "$base_prefix" "$dir/prefix" || { echo "Bail out! cannot copy the prefix"; exit 2; }
    rm -f "$dir/prefix/acl-log.jsonl"

    # The kit as shipped: the update's prof folder and pprtool.exe.
    cp -r "${kit_src[$host]}/prof" "$dir/kit/prof" && cp "$windows/bin/pprtool.exe" "$dir/kit/" || exit 2

    # The print system: the pair's devices and profiles (from .json where so
    # given), the library and the service.
    printsys=$(unix_path "$host" "${print_dir[$host]}")
    mkdir -p "$printsys" && cp -r "${printsys_src[$host]}/." "$printsys/" || exit 2
    mkdir -p "$printsys/copypool/colprof"
    for json in "$printsys"/copypool/*.json; do
        [ -e "$json" ] || continue
        "$build/bin/pprtool" make "$json" "${json%.json}.ppr" > /dev/null && rm "$json" ||
            { echo "Bail out! pprtool make $json failed"; exit 2; }
    done
    cp "$windows/bin/tovrel.dll" "$windows/bin/varnell.exe" "$printsys/" || exit 2
    # The system colour folder, which the print system's setup makes.
    mkdir -p "$(unix_path "$host" 'C:\windows\system32\color')"
    cp "$printsys"/copypool/*.ppr "$dir/original/" || { echo "Bail out! no profile in ${printsys_src[$host]}"; exit 2; }

    # What quillon's silent mode makes of each profile that has a script.
    for script in "$dir"/kit/prof/*.[Ss][Cc][Rr]; do
        name=$(basename "${script%.*}")
        [ -e "$dir/original/$name.ppr" ] || continue
        cp "$dir/original/$name.ppr" "$dir/expected/$name.ppr"
        XDG_RUNTIME_DIR=$scratch/run QUILLON_LOCK_DIR=$scratch/locks \
            "$build/bin/quillon" "$script" "$dir/expected/$name.ppr" ||
            { echo "Bail out! quillon $name failed"; exit 2; }
    done
    ls "$dir"/expected/*.ppr > /dev/null 2>&1 || { echo "Bail out! $host: no script of the kit has a profile"; exit 2; }

    # The host's Python: its wine prefix, and a PATH the task's environment
    # sets passed on as the Windows program's (the module's own stays this
    # one, which finds wine).
    cat > "$dir/python" << EOF
#!/bin/sh
# $host's Python: the ansible.windows stand-ins run with it on its wine prefix.
unset QUILLON_WINDOWS_PATH
if [ "\$PATH" != $(sq "$PATH") ]; then QUILLON_WINDOWS_PATH=\$PATH; export QUILLON_WINDOWS_PATH; fi
PATH=$(sq "$PATH") WINEPREFIX=$(sq "$dir/prefix") QUILLON_CREATE_PROCESS=$(sq "$windows/bin/create_process.exe")
export PATH WINEPREFIX QUILLON_CREATE_PROCESS
exec $(sq "$python") "\$@"
EOF
    chmod +x "$dir/python"

    kit_dest="${base_dir[$host]}\\kit"
    cat >> "$inventory" << EOF
        $host:
          ansible_connection: local
          ansible_python_interpreter: $(sq "$dir/python")
          quillon_os: windows
          quillon_kit_src: $(sq "$dir/kit")
          quillon_kit_dest: $(sq "$kit_dest")
          quillon_backup_dir: $(sq "${base_dir[$host]}\\backups")
          quillon_pprtool: $(sq "$kit_dest\\pprtool.exe")
          quillon_print_system_dir: $(sq "${print_dir[$host]}")
          quillon_environment:
            TOVREL_ROOT: $(sq "${print_dir[$host]}")
EOF

    # The service, kept running by a command prompt that reads a pipe which
    # a sleep holds open until the end (wine stops a prefix's services with
    # the prefix's last process). No other process holds the pipe, so that
    # ending the sleep ends the prompt. All wine runs of a prefix share one
    # TMPDIR: wine finds the prefix's server through it.
    mkfifo "$dir/keep"
    (WINEPREFIX=$dir/prefix exec wine cmd < "$dir/keep" > "$dir/keeper.log" 2>&1) &
    sleep infinity > "$dir/keep" &
    holders+=($!)
    # (A service of that name that an earlier run left in the prepared
    # prefix goes first.)
    WINEPREFIX=$dir/prefix wine sc delete Varnell > "$dir/sc.log" 2>&1
    WINEPREFIX=$dir/prefix wine sc create Varnell binPath= "\"${print_dir[$host]}\\varnell.exe\"" >> "$dir/sc.log" 2>&1
    WINEPREFIX=$dir/prefix wine sc start Varnell >> "$dir/sc.log" 2>&1
    WINEPREFIX=$dir/prefix wine sc query Varnell >> "$dir/sc.log" 2>&1
    grep -q RUNNING "$dir/sc.log" || { sed 's/^/# /' "$dir/sc.log"; echo "Bail out! Varnell does not run on $host"; exit 2; }
done

# --- helpers --------------------------------------------------------------------
export ANSIBLE_CONFIG=$scratch/ansible/none.cfg ANSIBLE_HOME=$scratch/ansible/home
export ANSIBLE_LOCAL_TEMP=$scratch/ansible/local ANSIBLE_REMOTE_TEMP=$scratch/ansible/remote
export ANSIBLE_ROLES_PATH=$playbooks/roles ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_PIPELINING=1 ANSIBLE_FORKS=2
export ANSIBLE_COLLECTIONS_PATH=$root/tests/fleet/windows_standins
: > "$ANSIBLE_CONFIG"

every_host() {  # FIELD OP VALUE: recaps for each host
    local host conditions=()
    for host in "${hosts[@]}"; do conditions+=("$host $1 $2 $3"); done
    recaps "${conditions[@]}"
}
snapshot() {  # HOST: the files and folders of its print system, colour folder, kit and backups, and its ACL record
    cd "$scratch/$1/prefix/drive_c" || return
    local folders=("${print_dir[$1]##*\\}" windows/system32/color "ProgramData/${base_dir[$1]##*\\}")
    find "${folders[@]}" -printf '%p %y %T@ %s\n' 2> /dev/null | sort
    find "${folders[@]}" -type f -exec sha256sum {} + 2> /dev/null | sort -k2
    # (not the ACLs of the preview's staged kit, a folder of %TEMP% gone again)
    grep -vF '"path": "c:\\users\\'"$(id -un)"'\\temp\\quillon-kit.' ../acl-log.jsonl 2> /dev/null
    cd - > /dev/null
}
same_snapshots() {  # SUFFIX: each host's snapshot equals the one saved with SUFFIX
    local host
    for host in "${hosts[@]}"; do
        snapshot "$host" | diff "$scratch/$host.$1" - | sed "s/^/# $host: /" || return 1
    done
}
changed_printers() {  # HOST: the printers whose profile the update changes
    local profile
    for profile in "$scratch/$1"/expected/*.ppr; do
        cmp -s "$profile" "$scratch/$1/original/$(basename "$profile")" || basename "$profile" .ppr
    done
}
changes_shown() {  # each host's preview shows each changed profile's changes, table by table
    local host printer
    for host in "${hosts[@]}"; do
        while read -r printer; do
            grep -F -A4 "ok: [$host] => (item=$printer: would update)" "$out" | grep -Eq '^ +"[A-Z]+: .*(updated|appended)' ||
                { echo "# $host: no changes shown for $printer"; show_run; return 1; }
        done < <(changed_printers "$host")
    done
}
profiles_are() {  # FOLDER: each host's copy-pool profiles equal those in its FOLDER (expected, original)
    local host profile
    for host in "${hosts[@]}"; do
        for profile in "$scratch/$host/$1"/*.ppr; do
            cmp -s "$profile" "$(unix_path "$host" "${print_dir[$host]}")/copypool/$(basename "$profile")" ||
                { echo "# $host: $(basename "$profile") differs from $1"; return 1; }
        done
    done
}
colour_files_copied() {  # every colour file of each host's kit in its colour folder
    local host file folder
    for host in "${hosts[@]}"; do
        for file in "$scratch/$host"/kit/prof/*; do
            case "${file##*.}" in
                [Ii][Cc][Mm]) folder="${print_dir[$host]}\\copypool\\colprof" ;;
                [Cc][Aa][Ll] | [Cc][Aa][Ff] | [Bb][Cc][Cc] | [Bb][Kk][Ss] | [Bb][Ll][Ss]) folder='C:\windows\system32\color' ;;
                *) continue ;;
            esac
            cmp -s "$file" "$(unix_path "$host" "$folder")/$(basename "$file")" ||
                { echo "# $host: $folder\\$(basename "$file") missing or different"; return 1; }
        done
    done
}
service_told_once() {  # one control code 128 in each host's service log
    local host log
    for host in "${hosts[@]}"; do
        log=$(unix_path "$host" "${print_dir[$host]}")/Varnell.log
        [ "$(grep -c 'control 128' "$log" 2> /dev/null)" = 1 ] ||
            { echo "# $host: service log:"; sed "s/^/#   /" "$log" 2> /dev/null; return 1; }
    done
}
task_results() {  # HOST TASK: the result lines of HOST for the task named TASK in the last run
    awk -v task="TASK [quillon_update : $2]" -v host="[$1]" '
        /^TASK \[/ { inside = index($0, task) == 1 }
        inside && index($0, host) { print }' "$out"
}
loaded_print_systems_library() {  # pprtool.exe ran on each host with the print system's tovrel.dll, the only one there
    local host libraries results
    for host in "${hosts[@]}"; do
        libraries=$(cd "$scratch/$host/prefix/drive_c" && find . -iname tovrel.dll)
        [ "$libraries" = "./${print_dir[$host]##*\\}/tovrel.dll" ] ||
            { echo "# $host: the tovrel.dll files in C:\\ are: $libraries"; return 1; }
        results=$(task_results "$host" "Run pprtool update")
        if ! grep -q '"rc": 0,' <<< "$results"; then
            grep -o '"rc": [0-9]*' <<< "$results" | sed "s/^/# $host: pprtool update: /"
            grep -q '"rc": 3221225781' <<< "$results" && echo "# $host: 3221225781 is 0xC0000135: a DLL was not found"
            [ -n "$results" ] || echo "# $host: no result of Run pprtool update"
            return 1
        fi
    done
}
no_staged_kit_left() {  # nothing the preview staged is left in either host's %TEMP%
    local host left
    for host in "${hosts[@]}"; do
        left=$(ls -A "$scratch/$host/prefix/drive_c/users/$(id -un)/Temp" | grep '^quillon-kit\.')
        [ -z "$left" ] || { echo "# $host: staged kit left in %TEMP%: $left"; return 1; }
    done
}
acls_locked_down() {  # the kit and backup folders: inheritance off, Administrators and SYSTEM full control, Users read at most
    local host folders=()
    for host in "${hosts[@]}"; do folders+=("$host" "${base_dir[$host]}\\kit" "$host" "${base_dir[$host]}\\backups"); done
    "$python" - "$scratch" "${folders[@]}" << 'PY'
import json, os, re, sys
scratch, pairs = sys.argv[1], sys.argv[2:]
READING = {"ListDirectory", "ReadData", "ReadExtendedAttributes", "Traverse", "ExecuteFile", "ReadAttributes",
           "ReadPermissions", "Read", "ReadAndExecute", "Synchronize"}
failed = False
for host, folder in zip(pairs[::2], pairs[1::2]):
    log = os.path.join(scratch, host, "prefix", "acl-log.jsonl")
    key = re.sub(r"[\\/]+", r"\\", folder).rstrip("\\").lower()
    inherits, copied, rules = True, False, []
    for entry in map(json.loads, open(log, encoding="utf-8") if os.path.exists(log) else []):
        if entry["path"] != key and not key.startswith(entry["path"] + "\\"):
            continue
        if entry["change"] == "removed":  # the folder or one above it
            inherits, copied, rules = True, False, []
        elif entry["path"] != key:
            continue
        elif entry["change"] == "inheritance":
            inherits = entry["state"] == "present"
            copied = copied or (not inherits and entry["reorganize"])
        elif entry["change"] == "rule added":
            rules.append(entry["rule"])
        elif entry["change"] == "rule removed":
            rules.remove(entry["rule"])
    problems = ["inherits its parent's rules"] if inherits else []
    if copied:
        problems.append("the parent's rules copied in (reorganize)")
    allowed = {}
    for rule in rules:
        if rule["type"] == "allow":
            allowed.setdefault(rule["user"], set()).update(rule["rights"].split(", "))
    for user in ("Administrators", "SYSTEM"):
        if "FullControl" not in allowed.get(user, set()):
            problems.append("%s without FullControl" % user)
    for user, rights in sorted(allowed.items()):
        if user not in ("Administrators", "SYSTEM") and not rights <= READING:
            problems.append("%s may %s" % (user, ", ".join(sorted(rights - READING))))
    if problems:
        failed = True
        print("# %s: %s: %s (rules: %s)" % (host, folder, "; ".join(problems), json.dumps(rules, ensure_ascii=False)))
sys.exit(1 if failed else 0)
PY
}

# --- the checks -------------------------------------------------------------------
for host in "${hosts[@]}"; do snapshot "$host" > "$scratch/$host.before"; done
playbook site.yml --check --diff
exited 0 && every_host changed -gt 0 && every_host failed -eq 0
report "--check --diff: exit 0, both servers report changes to come"
same_snapshots before && no_staged_kit_left
report "--check --diff: nothing changed on either server (files, times, ACL record; no staged kit left)"
changes_shown
report "--check --diff: each server shows each profile's changes"

playbook site.yml --diff
every_host changed -gt 0 && every_host failed -eq 0
report "update: both servers changed, none failed"
profiles_are expected
report "update: every profile byte for byte what the Linux quillon's silent mode makes of it"
colour_files_copied
report "update: every colour file of the kit in its colour folder"
service_told_once
report "update: each server's print service told once (one control 128 in its log)"
grep -Fq 'ok: [host2] => (item=プリンタＣ: updated)' "$out" ||
    { echo "# host2's report does not name プリンタＣ:"; grep -F 'ok: [host2] => (item=' "$out" | sed 's/^/#   /'; false; }
report "update: host2's report names プリンタＣ intact"
acls_locked_down
report "the kit and backup folders: inheritance off, Administrators and SYSTEM full control, Users read at most"
loaded_print_systems_library
report "pprtool.exe ran with the print system's tovrel.dll (the only one on the server, no loader error)"

for host in "${hosts[@]}"; do snapshot "$host" > "$scratch/$host.updated"; done
playbook site.yml
every_host changed -eq 0 && every_host failed -eq 0
report "second update: nothing changed, none failed"
same_snapshots updated
report "second update: every file untouched (bytes and times), no ACL changed"

playbook rollback.yml
every_host changed -gt 0 && every_host failed -eq 0 && profiles_are original
report "rollback: every profile byte for byte the original again"

ms=$((($(date +%s%N) - started) / 1000000))
echo "$((count - failures)) passed, $failures failed ($((ms / 1000)).$((ms % 1000 / 100)) s)"
[ "$failures" = 0 ]
