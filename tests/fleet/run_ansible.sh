#!/usr/bin/env bash
# Rolls the sample update out with the quillon_update role (fleet/ansible) to
# three print servers on this machine: local connections, each with its own
# stand-in print system, colour folder, print service, kit folder and
# backups. A preview (--check --diff), the update, a second update that finds
# nothing to do, the rollback, and an update where the third server's kit has
# a script that fails. One "ok N - ..." / "not ok N - ..." line per fact.
#
#   bash tests/fleet/run_ansible.sh BUILD_DIR     (from the source folder)
#
# BUILD_DIR holds bin/pprtool, bin/quillon, bin/varnelld, bin/libtovrel.so and
# sample/.
set -uo pipefail
started=$(date +%s%N)
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: run_ansible.sh BUILD_DIR}" && pwd) || exit 2
command -v ansible-playbook > /dev/null || { echo "Bail out! no ansible-playbook"; exit 2; }
for tool in pprtool quillon varnelld; do
    [ -x "$build/bin/$tool" ] || { echo "Bail out! no $build/bin/$tool"; exit 2; }
done
playbooks=$root/fleet/ansible

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-fleet.XXXXXX")
services=()
cleanup() {
    for pid in "${services[@]}"; do kill "$pid" 2>/dev/null; done
    wait
    rm -rf "$scratch"
}
trap cleanup EXIT

# shellcheck source=tests/fleet/playbook_checks.sh
source "$root/tests/fleet/playbook_checks.sh"

# The modules run with the Python that runs ansible-playbook.
python=$(sed -n '1s/^#! *\([^ ]*\).*/\1/p' "$(command -v ansible-playbook)")
case "$python" in */python3*) ;; *) python=$(command -v python3) ;; esac

# --- the kit and the three print servers ------------------------------------
mkdir -p "$scratch/kit" "$scratch/locks" "$scratch/tmp" "$scratch/run" "$scratch/ansible" "$scratch/original" "$scratch/expected"
chmod 1777 "$scratch/locks"
cp -r "$build/sample/prof" "$scratch/kit/prof"
# The third server has a kit of its own, made bad before the last run.
cp -r "$scratch/kit" "$scratch/kit3"
cp "$build"/sample/printsys/copypool/*.ppr "$scratch/original/"
mkdir -p "$scratch/original_a" && cp "$scratch/original/PrinterA.ppr" "$scratch/original_a/"

# What quillon's silent mode makes of each profile: the update must match it.
for script in "$scratch"/kit/prof/*.SCR; do
    name=$(basename "$script" .SCR)
    cp "$scratch/original/$name.ppr" "$scratch/expected/$name.ppr"
    XDG_RUNTIME_DIR=$scratch/run QUILLON_LOCK_DIR=$scratch/locks \
        "$build/bin/quillon" "$script" "$scratch/expected/$name.ppr" || { echo "Bail out! quillon $name failed"; exit 2; }
done

inventory=$scratch/inventory.yml
printf 'all:\n  children:\n    print_servers:\n      hosts:\n' > "$inventory"
for n in 1 2 3; do
    host=$scratch/host$n
    mkdir -p "$host/windows/system32/color" "$host/services"
    cp -r "$build/sample/printsys" "$host/printsys"
    mkdir -p "$host/printsys/copypool/colprof"
    kit=$scratch/kit
    [ "$n" = 3 ] && kit=$scratch/kit3
    cat >> "$inventory" <<EOF
        host$n:
          ansible_connection: local
          ansible_python_interpreter: $python
          quillon_kit_src: $kit
          quillon_kit_dest: $host/kit
          quillon_backup_dir: $host/backups
          quillon_pprtool: $build/bin/pprtool
          quillon_environment:
            TOVREL_ROOT: $host/printsys
            WINDIR: $host/windows
            SERVICE_MANAGER_ROOT: $host/services
            VARNELL_LOG: $host/varnell.log
            QUILLON_LOCK_DIR: $scratch/locks
EOF
    SERVICE_MANAGER_ROOT=$host/services VARNELL_LOG=$host/varnell.log \
        "$build/bin/varnelld" run > "$host/varnelld.out" 2>&1 &
    services+=($!)
done
for n in 1 2 3; do
    for _ in $(seq 100); do [ -S "$scratch/host$n/services/Varnell.sock" ] && break; sleep 0.1; done
    [ -S "$scratch/host$n/services/Varnell.sock" ] || { echo "Bail out! varnelld of host$n did not start"; exit 2; }
done

# --- helpers --------------------------------------------------------------------
export ANSIBLE_CONFIG=$scratch/ansible/none.cfg ANSIBLE_HOME=$scratch/ansible/home
export ANSIBLE_LOCAL_TEMP=$scratch/ansible/local ANSIBLE_REMOTE_TEMP=$scratch/ansible/remote
export ANSIBLE_ROLES_PATH=$playbooks/roles ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_PIPELINING=1 ANSIBLE_FORKS=3 TMPDIR=$scratch/tmp
: > "$ANSIBLE_CONFIG"

snapshot() {  # HOST: every file and folder of its print system, colour folder, service log and backups
    cd "$scratch/$1" || return
    find printsys windows varnell.log backups -printf '%p %y %T@ %s %m\n' 2>/dev/null | sort
    find printsys windows varnell.log backups -type f -exec sha256sum {} + 2>/dev/null | sort -k2
    cd - > /dev/null
}
same_snapshots() {  # SUFFIX HOST...: each host's snapshot equals the one saved with SUFFIX
    for host in "${@:2}"; do
        snapshot "$host" | diff "$scratch/$host.$1" - | sed "s/^/# $host: /" || return 1
    done
}
changes_shown() {  # each server's preview shows each profile's changes, table by table
    for n in 1 2 3; do
        for printer in PrinterA PrinterB; do
            grep -A4 "^ok: \[host$n\] => (item=$printer: would update)" "$out" | grep -Eq '^ +"[A-Z]+: .*(updated|appended)' ||
                { echo "# host$n: no changes shown for $printer"; show_run; return 1; }
        done
    done
}
colour_files_copied() {  # every colour file of the kit in its colour folder on every server
    for n in 1 2 3; do
        for file in "$scratch"/kit/prof/*.{icm,CAL,CAF,BCC,BKS,BLS}; do
            case "$file" in *.icm) folder=printsys/copypool/colprof ;; *) folder=windows/system32/color ;; esac
            cmp -s "$file" "$scratch/host$n/$folder/$(basename "$file")" || { echo "# host$n: $folder/$(basename "$file") missing or different"; return 1; }
        done
    done
}
service_told_once() {  # one control code 128 in each server's service log
    for n in 1 2 3; do
        [ "$(grep -c 'control 128' "$scratch/host$n/varnell.log" 2>/dev/null)" = 1 ] ||
            { echo "# host$n: service log:"; sed "s/^/#   /" "$scratch/host$n/varnell.log"; return 1; }
    done
}
backups_kept() {  # one backup of each original profile, and the journal naming them, on each server
    for n in 1 2 3; do
        for profile in "$scratch"/original/*.ppr; do
            name=$(basename "$profile" .ppr)
            backups=("$scratch/host$n/backups/$name".*.ppr)
            [ "${#backups[@]}" = 1 ] && cmp -s "$profile" "${backups[0]}" ||
                { echo "# host$n: backups of $name: ${backups[*]}"; return 1; }
        done
        for name in PrinterA PrinterB; do
            grep -q "\"backup\": \"$name\." "$scratch/host$n/backups/update-journal-1.json" 2>/dev/null ||
                { echo "# host$n: update-journal-1.json names no backup of $name"; return 1; }
        done
    done
}
kit_closed() {  # each server's kit and backup folders and files root's and writable by root only
    local bad
    for n in 1 2 3; do
        bad=$(find "$scratch/host$n/kit" "$scratch/host$n/backups" \( ! -user root -o -perm /022 \) -printf '%p %u %m\n')
        [ -z "$bad" ] || { echo "# host$n:"; echo "$bad" | sed "s/^/#   /"; return 1; }
    done
}
reloads() {  # HOST: the control codes 128 in its service log
    grep -c 'control 128' "$scratch/$1/varnell.log" 2>/dev/null
}
desk=$scratch/desk
hold_printer_a() {  # HOST: an administrator's dialog open on the host's PrinterA, holding its profile's lock
    mkdir -p "$desk/prof"
    cp "$build/bin/quillon" "$build/bin/libtovrel.so" "$desk/"
    cp "$scratch/kit/prof/PrinterA.SCR" "$desk/prof/"
    rm -f "$desk/input" && mkfifo "$desk/input"
    TOVREL_ROOT=$scratch/$1/printsys QUILLON_LOCK_DIR=$scratch/locks XDG_RUNTIME_DIR=$scratch/run \
        "$desk/quillon" < "$desk/input" > "$desk/out" 2>&1 &
    desk_pid=$!
    exec 7> "$desk/input"
    for _ in $(seq 100); do grep -q 'プリンタA' "$desk/out" && return; sleep 0.1; done
    echo "# the dialog did not list PrinterA:"; sed "s/^/#   /" "$desk/out"; return 1
}
release_printer_a() {  # Cancel in that dialog
    echo q >&7
    exec 7>&-
    wait "$desk_pid"
}
profiles_are() {  # FOLDER HOST...: each host's copy-pool profiles equal FOLDER's
    for host in "${@:2}"; do
        for profile in "$scratch/$1"/*.ppr; do
            cmp -s "$profile" "$scratch/$host/printsys/copypool/$(basename "$profile")" ||
                { echo "# $host: $(basename "$profile") differs from $1"; return 1; }
        done
    done
}

# --- the checks -------------------------------------------------------------------
# The sample inventory has a Windows group beside the Linux one.
(cd "$playbooks" && ansible-playbook -i inventory.sample.ini --syntax-check site.yml rollback.yml > "$scratch/syntax.log" 2>&1)
report "site.yml and rollback.yml pass --syntax-check with a Windows server in the inventory" ||
    sed "s/^/# /" "$scratch/syntax.log"

for n in 1 2 3; do snapshot "host$n" > "$scratch/host$n.before"; done
playbook site.yml --check --diff
exited 0 && recaps "host1 changed -gt 0" "host2 changed -gt 0" "host3 changed -gt 0" \
    "host1 failed -eq 0" "host2 failed -eq 0" "host3 failed -eq 0"
report "--check --diff: exit 0, every server reports changes to come"
same_snapshots before host1 host2 host3 &&
    [ ! -e "$scratch/host1/kit" ] && [ ! -e "$scratch/host2/kit" ] && [ ! -e "$scratch/host3/kit" ] &&
    [ -z "$(ls -A "$scratch/tmp")" ]
report "--check --diff: nothing changed on any server (files, times, no kit folder, no staged kit left)"
changes_shown
report "--check --diff: each server shows each profile's changes"

# A kit file that anyone may write on the controller must not stay so on a server.
chmod 0666 "$scratch/kit/prof/PrinterA.SCR" "$scratch/kit3/prof/PrinterA.SCR"
playbook site.yml
recaps "host1 changed -gt 0" "host2 changed -gt 0" "host3 changed -gt 0" \
    "host1 failed -eq 0" "host2 failed -eq 0" "host3 failed -eq 0"
report "update: every server changed, none failed"
kit_closed
report "update: the kit and backup folders are root's and writable by root only, whatever the controller's modes"
profiles_are expected host1 host2 host3
report "update: every profile byte for byte what quillon's silent mode makes of it"
colour_files_copied
report "update: every colour file in its colour folder on every server"
service_told_once
report "update: each server's print service told once (one control 128 in its log)"
backups_kept
report "update: each server keeps a backup of each original profile and a journal naming them"

for n in 1 2 3; do snapshot "host$n" > "$scratch/host$n.updated"; done
playbook site.yml
recaps "host1 changed -eq 0" "host2 changed -eq 0" "host3 changed -eq 0" \
    "host1 failed -eq 0" "host2 failed -eq 0" "host3 failed -eq 0"
report "second update: nothing changed, none failed"
same_snapshots updated host1 host2 host3
report "second update: every file untouched (bytes and times)"

playbook rollback.yml
recaps "host1 changed -gt 0" "host2 changed -gt 0" "host3 changed -gt 0" \
    "host1 failed -eq 0" "host2 failed -eq 0" "host3 failed -eq 0" && profiles_are original host1 host2 host3
report "rollback: every profile byte for byte the original again"

# A kit that took two runs on host1: PrinterA busy in the first (an
# administrator's dialog open on it), done by the second. The rollback puts
# back both, tells the service once, and a second rollback has nothing to do.
hold_printer_a host1
playbook site.yml --limit host1
release_printer_a
recaps "host1 failed -eq 1" && profiles_are original_a host1 &&
    { grep -q 'profile busy' "$out" || { echo "# host1 does not report PrinterA busy"; show_run; false; }; } &&
    { cmp -s "$scratch/expected/PrinterB.ppr" "$scratch/host1/printsys/copypool/PrinterB.ppr" ||
        { echo "# host1: PrinterB not updated"; show_run; false; }; }
report "a kit in two runs: the first, with PrinterA busy, fails host1 and updates PrinterB only"
playbook site.yml --limit host1
recaps "host1 changed -eq 1" "host1 failed -eq 0" && profiles_are expected host1
report "a kit in two runs: the second updates PrinterA"
told=$(reloads host1)
playbook rollback.yml --limit host1
recaps "host1 changed -eq 1" "host1 failed -eq 0" && profiles_are original host1 &&
    [ "$(reloads host1)" = $((told + 1)) ]
report "a kit in two runs: rollback.yml puts back both profiles and tells the service once"
snapshot host1 > "$scratch/host1.twice"
playbook rollback.yml --limit host1
recaps "host1 changed -eq 0" "host1 failed -eq 0" && same_snapshots twice host1
report "a kit in two runs: a second rollback changes nothing (bytes and times)"

# The third server's kit: a block that declares more rows than it has, and a
# colour file less (the copy of the earlier kit on the server must lose it).
LC_ALL=C sed -i 's/^\[PPR_Index\],CORRECTTAB,1/[PPR_Index],CORRECTTAB,2/' "$scratch/kit3/prof/PrinterA.SCR"
rm "$scratch/kit3/prof/PrinterB.BLS"
"$build/bin/pprtool" check "$scratch/kit3/prof/PrinterA.SCR" > /dev/null 2>&1
[ $? = 2 ] || { echo "Bail out! the broken script does not fail pprtool check"; exit 2; }
snapshot host3 > "$scratch/host3.rolledback"
playbook site.yml
recaps "host1 failed -eq 0" "host2 failed -eq 0" "host3 failed -eq 1" && profiles_are expected host1 host2
report "a bad script on host3: host3 fails, host1 and host2 are updated"
same_snapshots rolledback host3
report "a bad script on host3: nothing of host3's print system changed (bytes and times)"
diff <(ls "$scratch/kit3/prof") <(ls "$scratch/host3/kit/prof") | sed "s/^/# /"
report "host3's kit folder holds its kit's files only (an earlier kit's are removed)"

ms=$((($(date +%s%N) - started) / 1000000))
echo "$((count - failures)) passed, $failures failed ($((ms / 1000)).$((ms % 1000 / 100)) s)"
[ "$failures" = 0 ]
