#!/usr/bin/env bash
# Installs what the build needs, checks the format of the C++ sources, builds
# Quillon (its own code with strict warnings as errors) and runs the whole suite:
# once plainly, once under AddressSanitizer and UndefinedBehaviorSanitizer,
# then cross-compiles the Windows program with mingw-w64, checks its resources
# and imports, and runs the Windows unit suite and the end-to-end scenarios
# under wine. A short run of the benchmark checks that it still runs. One
# summary line a stage, then a final pass/fail line.
set -uo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    # At first boot another process may hold the package manager: wait for it.
    apt() { apt-get -o DPkg::Lock::Timeout=600 "$@"; }
    dpkg --add-architecture i386
    apt update -qq
    apt install -y -qq cmake make g++ clang clang-format libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev time g++-mingw-w64-i686 python3 \
        nlohmann-json3-dev libcli11-dev wine wine32:i386 xvfb fonts-noto-cjk locales imagemagick >/dev/null || exit 1
    # wine takes the Japanese code page (932) from a ja_JP locale.
    locale -a | grep -qi '^ja_JP.utf-\?8$' || localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
summary=()
failed=0

# stage NAME COMMAND...: runs one stage and notes its outcome and time.
stage() {
    local name=$1
    shift
    echo "== $name =="
    local start=$SECONDS
    if "$@"; then
        summary+=("stage $name: passed ($((SECONDS - start)) s)")
    else
        summary+=("stage $name: FAILED ($((SECONDS - start)) s)")
        failed=$((failed + 1))
    fi
    echo "${summary[-1]}"
}

# The project's own C++ files, as .clang-format lays them out.
format() {
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

linux() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_TESTS=ON -DQUILLON_STRICT=ON &&
        cmake --build build -j"$jobs" &&
        ctest --test-dir build --output-on-failure -j"$jobs"
}

sanitize() {
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_TESTS=ON -DQUILLON_STRICT=ON &&
        cmake --build build-sanitize -j"$jobs" &&
        ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
}

windows_build() {
    cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release -DQUILLON_STRICT=ON &&
        cmake --build build-windows -j"$jobs" &&
        python3 tests/resources/check_resources.py --exe build-windows/bin/quillon.exe &&
        echo "imports (objdump -p):" && bash tools/check_imports.sh build-windows/bin
}

# The wine stages share one prefix in the build folder and one display.
export WINEPREFIX=$PWD/build-windows/wineprefix WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
export LANG=ja_JP.UTF-8

wine_units() {
    bash tests/wine/setup_prefix.sh "$WINEPREFIX" &&
        ctest --test-dir build-windows --output-on-failure -j"$jobs"
}

wine_scenarios() {
    bash tests/wine/run_scenarios.sh build build-windows
}

fuzz_smoke() {
    bash tools/fuzz.sh 10
}

stage format format
stage linux linux
stage bench-smoke bash tools/bench.sh --smoke --build build
stage sanitize sanitize
stage fuzz-smoke fuzz_smoke
stage windows-build windows_build
stage wine-unit wine_units
stage wine-scenarios wine_scenarios
wineserver -k 2>/dev/null

echo "== summary =="
printf '%s\n' "${summary[@]}"
echo "stages: $((${#summary[@]} - failed)) passed, $failed failed"
[ "$failed" = 0 ]
