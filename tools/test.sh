#!/usr/bin/env bash
# Installs what the build needs, checks the format of the C++ sources, builds
# Quillon (its own code with strict warnings as errors) and runs the whole suite
# plainly, rolls an update kit out with the Ansible role to three stand-in
# print servers on this machine, runs the suite again under AddressSanitizer
# and UndefinedBehaviorSanitizer, then cross-compiles the Windows program with
# mingw-w64 for i686 (as shipped) and x86_64, checks the resources and imports
# of both, and runs the Windows unit suite and the end-to-end scenarios (a
# differential run against the Linux build among them) under wine: on the i686
# build where the host runs 32-bit code, else on the x86_64 build under
# wine64, and rolls a kit out with the role's Windows tasks to two print
# servers under wine. A short run of the benchmark checks that it still runs.
# One summary line a stage, then a final pass/fail line.
#   tools/test.sh [STAGE...]    (no stage: all of them, in this order)
set -uo pipefail
cd "$(dirname "$0")/.."

all_stages=(format linux fleet bench-smoke sanitize fuzz-smoke windows-build wine-unit wine-scenarios fleet-windows)
for name in "$@"; do
    if [[ " ${all_stages[*]} " != *" $name "* ]]; then
        echo "usage: tools/test.sh [STAGE...]; stages: ${all_stages[*]}" >&2
        exit 64
    fi
done
selected=("$@")
[ ${#selected[@]} = 0 ] && selected=("${all_stages[@]}")

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    # At first boot another process may hold the package manager: wait for it.
    apt() { apt-get -o DPkg::Lock::Timeout=600 "$@"; }
    dpkg --add-architecture i386
    apt update -qq
    apt install -y -qq cmake make g++ clang clang-format libclang-rt-14-dev libgtest-dev libgmock-dev googletest libbenchmark-dev time g++-mingw-w64-i686 g++-mingw-w64-x86-64 python3 \
        nlohmann-json3-dev libcli11-dev libssl-dev ansible wine wine32:i386 wine64 xvfb fonts-noto-cjk locales imagemagick >/dev/null || exit 1
    # wine takes the Japanese code page (932) from a ja_JP locale.
    locale -a | grep -qi '^ja_JP.utf-\?8$' || localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

forced_wine_arch=${QUILLON_WINE_ARCH:-}
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
summary=()
failed=0

# stage NAME COMMAND...: runs one stage, if selected, and notes its outcome and
# time, with the note a stage may leave in stage_note (which build ran, and why).
stage() {
    local name=$1
    shift
    [[ " ${selected[*]} " == *" $name "* ]] || return 0
    echo "== $name =="
    local start=$SECONDS
    stage_note=
    if "$@"; then
        summary+=("stage $name: passed ($((SECONDS - start)) s${stage_note:+; $stage_note})")
    else
        summary+=("stage $name: FAILED ($((SECONDS - start)) s${stage_note:+; $stage_note})")
        failed=$((failed + 1))
    fi
    echo "${summary[-1]}"
}

# The project's own C++ files, as .clang-format lays them out.
format() {
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

linux() {
    linux_tree && ctest --test-dir build --output-on-failure -j"$jobs"
}

sanitize() {
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_TESTS=ON -DQUILLON_STRICT=ON &&
        cmake --build build-sanitize -j"$jobs" &&
        ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
}

# windows_tree FOLDER ARCH: configures and builds the Windows programs and
# their tests for ARCH (i686 or x86_64) in FOLDER.
windows_tree() {
    cmake -S . -B "$1" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$2.cmake" -DCMAKE_BUILD_TYPE=Release -DQUILLON_STRICT=ON &&
        cmake --build "$1" -j"$jobs"
}

# kit FOLDER PLATFORM: makes the update kit's ZIP with CPack and checks that it
# holds exactly the two programs, the empty prof folder and the read-me.
kit() {
    (cd "$1" && cpack -G ZIP >/dev/null) &&
        python3 - "$1/quillon-kit-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt")-$2.zip" <<'PY'
import sys, zipfile
path = sys.argv[1]
names = sorted(n.split("/", 1)[1] for n in zipfile.ZipFile(path).namelist() if "/" in n.rstrip("/"))
wanted = ["README.txt", "pprtool.exe", "prof/", "quillon.exe"]
print(f"kit {path.rsplit('/', 1)[-1]}: {' '.join(names)}")
sys.exit(0 if names == wanted else f"kit: holds {names}, wanted {wanted}")
PY
}

# Both Windows builds, each with its resources and imports checked.
windows_build() {
    local arch folder
    for arch in i686 x86_64; do
        folder=build-windows
        [ $arch = x86_64 ] && folder=build-windows64
        echo "-- $arch in $folder"
        windows_tree $folder $arch &&
            python3 tests/resources/check_resources.py --exe $folder/bin/quillon.exe &&
            echo "imports (objdump -p):" && OBJDUMP=$arch-w64-mingw32-objdump bash tools/check_imports.sh $folder/bin &&
            kit $folder "$([ $arch = x86_64 ] && echo win64 || echo win32)" ||
            return 1
    done
}

# wine_ready: picks the build that this host's wine runs (its reason becomes
# the stage's note), builds it if a stage runs alone, and prepares its prefix.
wine_ready() {
    # Each stage chooses afresh: only a choice made before the run forces one.
    QUILLON_WINE_ARCH=$forced_wine_arch
    # shellcheck source=tests/wine/wine_env.sh
    if ! source tests/wine/wine_env.sh; then
        stage_note=$QUILLON_WINE_WHY
        echo "wine cannot run here: $QUILLON_WINE_WHY" >&2
        return 1
    fi
    stage_note=$QUILLON_WINE_WHY
    windows_tree "$QUILLON_WINE_BUILD" "$QUILLON_WINE_ARCH" >/dev/null &&
        bash tests/wine/setup_prefix.sh "$WINEPREFIX"
}

# The Linux build, which the wine runs compare against.
linux_tree() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_TESTS=ON -DQUILLON_STRICT=ON >/dev/null &&
        cmake --build build -j"$jobs" >/dev/null
}

export LANG=ja_JP.UTF-8

wine_units() {
    wine_ready && ctest --test-dir "$QUILLON_WINE_BUILD" --output-on-failure -j"$jobs"
}

wine_scenarios() {
    wine_ready && linux_tree && bash tests/wine/run_scenarios.sh build "$QUILLON_WINE_BUILD" &&
        bash tests/wine/run_pprtool.sh build "$QUILLON_WINE_BUILD"
}

# The role's Windows tasks rolled out to two print servers under wine, with
# the ansible.windows modules' stand-ins (tests/fleet/windows_standins).
fleet_windows() {
    wine_ready && linux_tree && bash tests/fleet/run_windows_role.sh build "$QUILLON_WINE_BUILD"
}

# The Ansible role rolled out to three print servers on this machine.
fleet() {
    linux_tree && bash tests/fleet/run_ansible.sh build
}

fuzz_smoke() {
    bash tools/fuzz.sh 10
}

stage format format
stage linux linux
stage fleet fleet
stage bench-smoke bash tools/bench.sh --smoke --build build
stage sanitize sanitize
stage fuzz-smoke fuzz_smoke
stage windows-build windows_build
stage wine-unit wine_units
stage wine-scenarios wine_scenarios
stage fleet-windows fleet_windows
[ -n "${WINESERVER:-}" ] && "$WINESERVER" -k 2>/dev/null
command -v wineserver >/dev/null && wineserver -k 2>/dev/null

echo "== summary =="
printf '%s\n' "${summary[@]}"
echo "stages: $((${#summary[@]} - failed)) passed, $failed failed"
[ "$failed" = 0 ]
