#!/usr/bin/env bash
# Installs what the build needs, builds Quillon and runs the whole suite:
# once plainly, once under AddressSanitizer and UndefinedBehaviorSanitizer,
# then cross-compiles the Windows program with mingw-w64 and checks its resources.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq cmake make g++ clang libgtest-dev libgmock-dev g++-mingw-w64-i686 python3 >/dev/null
fi

jobs=$(nproc 2>/dev/null || echo 2)

echo "== build and test =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_TESTS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== build and test under ASan and UBSan =="
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_TESTS=ON
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

echo "== cross-compile the Windows program (i686, mingw-w64) =="
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-windows -j"$jobs"
ls build-windows/bin

echo "== check the Windows program's resources =="
python3 tests/resources/check_resources.py --exe build-windows/bin/quillon.exe

echo "== fuzz smoke run: each libFuzzer target for 10 s =="
bash tools/fuzz.sh 10
