#!/usr/bin/env bash
# The main job on the bundled sample print system: builds Quillon, lays out a
# print system in a scratch folder (two printers with their profiles in the
# copy pool, a prof folder of update scripts and colour files beside a copy of
# the program, a WINDIR with system32/color), starts the stand-in print
# service, runs quillon in dialog mode and presses Enter (Execute), then shows
# what changed in each profile, where the colour files went and the service's
# log line.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get -o DPkg::Lock::Timeout=600 update -qq
    apt-get -o DPkg::Lock::Timeout=600 install -y -qq cmake make g++ nlohmann-json3-dev libcli11-dev libssl-dev >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target quillon pprtool varnelld tovrel sample >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-demo.XXXXXX")
mkdir -p "$scratch/app" "$scratch/windows/system32/color" "$scratch/services" "$scratch/run" "$scratch/before"
cp build/bin/quillon build/bin/libtovrel.so "$scratch/app/"
cp -r build/sample/prof "$scratch/app/prof"
cp -r build/sample/printsys "$scratch/printsys"
cp "$scratch"/printsys/copypool/*.ppr "$scratch/before/"
pprtool=$root/build/bin/pprtool

export TOVREL_ROOT=$scratch/printsys WINDIR=$scratch/windows XDG_RUNTIME_DIR=$scratch/run
export SERVICE_MANAGER_ROOT=$scratch/services VARNELL_LOG=$scratch/varnell.log

echo "== the print system in $scratch =="
echo "devices (printsys/devices.txt):"
grep -v "^#" "$scratch/printsys/devices.txt" | sed "s/^/  /"
echo "the update (app/prof):"
ls "$scratch/app/prof" | sed 's/^/  /'
for script in "$scratch"/app/prof/*.SCR; do
    echo
    echo "== $(basename "$script") (code page 932, shown in UTF-8) =="
    iconv -f CP932 -t UTF-8 "$script" | tr -d '\r'
done

echo
echo "== the print service Varnell starts =="
"$root/build/bin/varnelld" run > "$scratch/varnelld.out" 2>&1 &
service=$!
trap 'kill "$service" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -S "$scratch/services/Varnell.sock" ] && break; sleep 0.1; done
echo "listening: $scratch/services/Varnell.sock"

echo
echo "== quillon (dialog mode), Enter pressed =="
status=0
printf '\n' | "$scratch/app/quillon" || status=$?
echo "exit status: $status"

for profile in "$scratch"/before/*.ppr; do
    name=$(basename "$profile")
    echo
    echo "== what changed in copypool/$name (pprtool diff) =="
    "$pprtool" diff "$profile" "$scratch/printsys/copypool/$name" || true
done

echo
echo "== where the colour files went =="
(cd "$scratch" && find printsys/copypool/colprof windows/system32/color -type f ! -name .gitkeep | sort | sed 's/^/  /')

echo
echo "== the print service's log =="
sed 's/^/  /' "$scratch/varnell.log"
exit "$status"
