# What the fleet harnesses share: "ok N - ..." / "not ok N - ..." lines, and
# playbook runs with their PLAY RECAP read back. Sourced by run_ansible.sh and
# run_windows_role.sh once they have set scratch, playbooks and inventory;
# ANSIBLE_PLAYBOOK_OPTIONS adds options to every run (e.g. -v).

count=0 failures=0
report() {  # DESCRIPTION, then the status of the check just made
    local status=$?
    count=$((count + 1))
    if [ "$status" = 0 ]; then
        echo "ok $count - $1"
    else
        echo "not ok $count - $1"
        failures=$((failures + 1))
    fi
    return "$status"
}

run=0
playbook() {  # PLAYBOOK [OPTIONS...]: runs it, its output in $out, its exit status in $status
    run=$((run + 1))
    out=$scratch/run$run.log
    (cd "$playbooks" && ansible-playbook ${ANSIBLE_PLAYBOOK_OPTIONS:-} -i "$inventory" "$@" < /dev/null > "$out" 2>&1)
    status=$?
}
shown=()
show_run() {  # the last run's output, once, after a failed check
    local seen
    for seen in "${shown[@]}"; do [ "$seen" = "$out" ] && return; done
    shown+=("$out")
    sed "s/^/# /" "$out"
}
exited() {  # STATUS: the last run ended with it
    [ "$status" = "$1" ] || { echo "# exit status $status, wanted $1"; show_run; return 1; }
}
recap() {  # HOST FIELD: the count in the last run's PLAY RECAP
    sed -n "s/^$1 *:.* $2=\([0-9]*\).*/\1/p" "$out"
}
recaps() {  # CONDITION...: each "host FIELD OP VALUE" holds for the last run
    local host field op value got
    for condition in "$@"; do
        read -r host field op value <<< "$condition"
        got=$(recap "$host" "$field")
        [ -n "$got" ] && [ "$got" "$op" "$value" ] || { echo "# $host: $field=$got, wanted $op $value"; show_run; return 1; }
    done
}
