#!/usr/bin/env bash
# Benchmarks Quillon at the format's full scale and at an everyday size.
#
#   tools/bench.sh [--runs N] [--before BINDIR] [--build DIR] [--smoke]
#
# 1. In process (bench/quillon_bench, Google Benchmark): parsing a script,
#    merging each table and writing a profile at 1k, 4k, 16k and 32k rows,
#    then the growth of the INKTAB and CORRECTTAB merges from 1k to 32k rows
#    (medians of N repetitions), beside the growth of what every such merge
#    does at the least (MoveRows: a fresh block, the rows copied into it).
# 2. The whole process, with cases from bench/make_bench_case: the large case
#    (a 78 MB profile at the format's scale and a script of 32,767 CORRECTTAB
#    and 16,383 INKTAB rows, which fill both tables) and a typical one (tens of
#    rows per table). Each run restores the profile, runs the silent update
#    `quillon Bench.SCR Bench.ppr`, then copies the updated profile with `cp`
#    and flushes the copy with `sync` (the physical baseline: the same bytes
#    written and flushed); N paired runs, medians, and their ratio. The peak
#    memory comes from one more run under /usr/bin/time -v, against the updated
#    profile's size, with the page faults of that run and of a `cp` (each a
#    4 KiB page of fresh memory the process touched first). With --before, an earlier build's quillon (BINDIR holds it
#    and its libtovrel) runs both cases in the same pairs, for a
#    before/after.
#
# --build DIR: the build folder to use (default build-release, made in
# Release). --smoke: a run of about ten seconds for the test command, which
# checks that everything runs; its numbers mean little.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

runs=7
before=""
build=build-release
smoke=0
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --before) before=$(cd "$2" && pwd); shift 2 ;;
        --build) build=$2; shift 2 ;;
        --smoke) smoke=1; shift ;;
        *) echo "usage: tools/bench.sh [--runs N] [--before BINDIR] [--build DIR] [--smoke]" >&2; exit 1 ;;
    esac
done
[ "$smoke" = 1 ] && runs=1

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLON_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target quillon make_bench_case quillon_bench >/dev/null
bin="$root/$build/bin"

median() { sort -n | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); print (NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2) }'; }
now() { date +%s%N; }
ms() { awk -v ns="$1" 'BEGIN { printf "%.1f", ns / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "== in process: parse, merge per table, write (Google Benchmark) =="
gbench=(--benchmark_out="$build/bench.csv" --benchmark_out_format=csv)
if [ "$smoke" = 1 ]; then
    gbench+=(--benchmark_min_time=0.01)
else
    gbench+=(--benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true)
fi
"$bin/quillon_bench" "${gbench[@]}"
suffix=$([ "$smoke" = 1 ] && echo "" || echo "_median")
# Prints the real and CPU time of one benchmark from the CSV (name,iterations,real_time,cpu_time,...).
times_of() { awk -F, -v n="\"$1/real_time$suffix\"" '$1 == n { print $3, $4 }' "$build/bench.csv"; }
for table in INKTAB CORRECTTAB; do
    read -r real1k cpu1k <<<"$(times_of "Merge/$table/1024")"
    read -r real4k cpu4k <<<"$(times_of "Merge/$table/4096")"
    read -r real32k cpu32k <<<"$(times_of "Merge/$table/32767")"
    read -r move1k _ <<<"$(times_of "MoveRows/$table/1024")"
    read -r move32k _ <<<"$(times_of "MoveRows/$table/32767")"
    echo "merge $table, 1k -> 32k rows: $(ratio "$real32k" "$real1k") times the time" \
        "(CPU time $(ratio "$cpu32k" "$cpu1k")); 4k -> 32k: $(ratio "$real32k" "$real4k") (CPU $(ratio "$cpu32k" "$cpu4k"))"
    echo "  moving its rows alone (MoveRows), 1k -> 32k: $(ratio "$move32k" "$move1k") times the time;" \
        "merge / moving: $(ratio "$real1k" "$move1k") at 1k, $(ratio "$real32k" "$move32k") at 32k"
done

work="$root/$build/bench-work"
rm -rf "$work"
mkdir -p "$work/printsys"
export TOVREL_ROOT="$work/printsys"

# Runs one silent update from a fresh copy of the profile; prints nanoseconds.
update() {
    local quillon=$1 folder=$2
    cp "$folder/original.ppr" "$folder/Bench.ppr"
    sync "$folder/Bench.ppr"
    local start end
    start=$(now)
    (cd "$folder" && "$quillon" Bench.SCR Bench.ppr)
    end=$(now)
    echo $((end - start))
}

# Copies the updated profile and flushes the copy; prints nanoseconds.
copy_and_sync() {
    local folder=$1
    rm -f "$folder/copy.ppr"
    sync "$folder"
    local start end
    start=$(now)
    cp "$folder/Bench.ppr" "$folder/copy.ppr"
    sync "$folder/copy.ppr"
    end=$(now)
    rm -f "$folder/copy.ppr"
    echo $((end - start))
}

whole_process() {
    local name=$1 folder="$work/$1"
    "$bin/make_bench_case" "$name" "$folder"
    mv "$folder/Bench.ppr" "$folder/original.ppr"
    local quillonTimes="" copyTimes="" beforeTimes=""
    for ((r = 0; r < runs; r++)); do
        quillonTimes+="$(update "$bin/quillon" "$folder")"$'\n'
        copyTimes+="$(copy_and_sync "$folder")"$'\n'
        if [ -n "$before" ]; then beforeTimes+="$(update "$before/quillon" "$folder")"$'\n'; fi
    done
    local updated quillonMedian copyMedian
    updated=$(stat -c %s "$folder/Bench.ppr")
    quillonMedian=$(printf %s "$quillonTimes" | median)
    copyMedian=$(printf %s "$copyTimes" | median)

    cp "$folder/original.ppr" "$folder/Bench.ppr"
    sync "$folder/Bench.ppr"
    # Peak memory, and the pages the system had to hand out one fault at a
    # time (fresh memory first touched), of the update and of the copy.
    local usage peakKiB faults copyFaults
    usage=$( (cd "$folder" && /usr/bin/time -v "$bin/quillon" Bench.SCR Bench.ppr) 2>&1)
    peakKiB=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' <<<"$usage")
    faults=$(awk -F: '/Minor .* page faults/ { gsub(/ /, "", $2); print $2 }' <<<"$usage")
    copyFaults=$( (cd "$folder" && /usr/bin/time -v cp Bench.ppr copy.ppr) 2>&1 |
        awk -F: '/Minor .* page faults/ { gsub(/ /, "", $2); print $2 }')
    rm -f "$folder/copy.ppr"

    echo "== whole process, $name case: profile $(stat -c %s "$folder/original.ppr") bytes," \
        "script $(stat -c %s "$folder/Bench.SCR") bytes, updated profile $updated bytes =="
    echo "silent update: $(ms "$quillonMedian") ms; cp + sync of the updated profile: $(ms "$copyMedian") ms" \
        "(medians of $runs paired runs)"
    echo "silent update / (cp + sync): $(ratio "$quillonMedian" "$copyMedian")"
    echo "peak memory: $peakKiB KiB; / updated profile: $(ratio "$((peakKiB * 1024))" "$updated")"
    echo "page faults: silent update $faults ($((faults * 4 / 1024)) MiB of fresh pages), cp $copyFaults"
    if [ -n "$before" ]; then
        local beforeMedian
        beforeMedian=$(printf %s "$beforeTimes" | median)
        echo "before ($before/quillon): $(ms "$beforeMedian") ms; after / before: $(ratio "$quillonMedian" "$beforeMedian")"
    fi
}

whole_process typical
whole_process large
rm -rf "$work"
