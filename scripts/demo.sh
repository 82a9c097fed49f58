#!/usr/bin/env bash
# The program against a simulated 128-number module, in a scratch copy of its
# data folder, so nothing is written into the build. ./run --demo calls it
# after the build; scripts/demo.sh BIN_DIR runs what BIN_DIR holds.
set -euo pipefail

bin_dir=$(cd "$1" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kordavo-demo.XXXXXX")
simulator_pid=""
program_pid=""

stop_demo() {
    if [ -n "$program_pid" ]; then
        kill "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    if [ -n "$simulator_pid" ]; then
        kill "$simulator_pid" 2>/dev/null || true
        wait "$simulator_pid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap stop_demo EXIT
trap 'exit 130' INT TERM

for name in kordavo_default.dll cfg_i31.dll cfg_i32.dll kordavo-help.pdf; do
    cp "$bin_dir/$name" "$scratch/"
done

# A 128-number module with a few numbers stored, input 1 active, outputs 1
# and 3 on; what the program downloads is kept in the scratch folder.
"$bin_dir/kordavo-modulesim" --memory 128 --krv "$root/data/demo/demo-module.krv" \
    --store "$scratch/module-memory.krv" --inputs 1 --outputs 5 --signal 7 --service "Telenor HU" \
    >"$scratch/simulator.out" &
simulator_pid=$!
port=""
for _ in $(seq 50); do
    port=$(head -n 1 "$scratch/simulator.out" 2>/dev/null || true)
    [ -n "$port" ] && break
    if ! kill -0 "$simulator_pid" 2>/dev/null; then
        echo "A modulszimulátor nem indult el." >&2
        exit 1
    fi
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "A modulszimulátor nem adott portot." >&2
    exit 1
fi

cat <<TEXT
Kordavo bemutató: egy szimulált, 128 számos modul fut a(z) $port porton.

  1. A programban válassza a „Beállítások” → „Port beállítása” menüpontot.
  2. Írja be a „COM Port:” mezőbe:  $port
  3. Nyomjon OK-t: a modul programozási üzemmódba lép.

Ezután kipróbálható a kiolvasás, a betöltés, az ellenőrzés, az állapot
lekérdezése és a relé teszt. A bemutató ideiglenes mappában fut
($scratch); a program bezárásakor a szimulátor leáll, a mappa törlődik.
TEXT

cd "$scratch"
# Not exec: the simulator is stopped when the program ends, and Ctrl+C here
# or a signal to this script ends both.
"$bin_dir/kordavo" &
program_pid=$!
status=0
wait "$program_pid" || status=$?
program_pid=""
exit "$status"
