#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan and UBSan on) and runs each
# for a while: tools/fuzz.sh [seconds per target, default 60].
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_SANITIZE=ON -DQUILLON_FUZZ=ON \
    -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc 2>/dev/null || echo 2)" --target script_parser_fuzzer profile_reader_fuzzer \
    silent_update_fuzzer sample
for target in script_parser_fuzzer profile_reader_fuzzer silent_update_fuzzer; do
    corpus=build-fuzz/corpus/$target
    mkdir -p "$corpus"
    # The sample files seed the corpus.
    cp sample/prof/*.SCR build-fuzz/sample/printsys/copypool/*.ppr "$corpus"/ 2>/dev/null || true
    echo "== $target: $seconds s =="
    # Rows are stored as they arrive, so memory follows the input's size and
    # libFuzzer's own limits hold (2 GB, for one allocation and in all).
    ASAN_OPTIONS=allocator_may_return_null=1 TOVREL_ROOT="$PWD/build-fuzz" XDG_RUNTIME_DIR="$PWD/build-fuzz" \
        "build-fuzz/bin/$target" -max_total_time="$seconds" -max_len=65536 -artifact_prefix=build-fuzz/ "$corpus"
done
