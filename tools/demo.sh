#!/usr/bin/env bash
# The main job on the bundled sample print system: builds Quillon, copies the
# sample profile and update script into a scratch folder, updates the profile
# in silent mode and shows it before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq cmake make g++ nlohmann-json3-dev libcli11-dev >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target quillon pprtool sample >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-demo.XXXXXX")
cp -r build/sample/printsys "$scratch/printsys"
cp build/sample/prof/PrinterA.SCR "$scratch/PrinterA.SCR"
cp "$scratch/printsys/copypool/PrinterA.ppr" "$scratch/PrinterA.ppr"
cd "$scratch"

"$root/build/bin/pprtool" dump PrinterA.ppr > before.txt
echo "== the profile before: $scratch/PrinterA.ppr =="
cat before.txt

echo
echo "== quillon PrinterA.SCR PrinterA.ppr =="
status=0
TOVREL_ROOT="$scratch/printsys" "$root/build/bin/quillon" PrinterA.SCR PrinterA.ppr || status=$?
echo "exit status: $status"

"$root/build/bin/pprtool" dump PrinterA.ppr > after.txt
echo
echo "== what changed (diff of pprtool dump, before -> after) =="
diff before.txt after.txt || true
exit "$status"
