#!/usr/bin/env bash
# The main job without a window: a virtual controller is started, listed,
# its configuration read and shown, and the controller stopped again.
# Usage: data/demo.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: demo.sh BUILD_DIR}
sim="$build/sim/volmar-sim"
ctl="$build/configurator/cli/volmarctl"
for tool in "$sim" "$ctl"; do
    [ -x "$tool" ] || { echo "demo: $tool is not built" >&2; exit 1; }
done

# A private runtime folder: the demo never sees (or disturbs) a sim the user runs.
work=$(mktemp -d "${TMPDIR:-/tmp}/volmar-demo.XXXXXX")
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Give the controller a configuration worth reading: one axis and one button.
printf '%s\n' '{"dev_name":"Volmar demo","osi_1_src":2,"osi_1_name":1,"osi_1_src_port":41,
 "buttons":[{"hw":0,"mode":0,"shift":0,"timer":0},{"hw":0,"mode":0,"shift":0,"timer":0},
 {"hw":0,"mode":0,"shift":0,"timer":0},{"hw":0,"mode":0,"shift":0,"timer":0},
 {"hw":1,"mode":0,"shift":0,"timer":0}]}' >"$work/demo.json"
"$ctl" import "$work/demo.json" -o "$work/eeprom.bin" >/dev/null

echo "== starting volmar-sim"
"$sim" --id demo --eeprom "$work/eeprom.bin" >"$work/sim.out" 2>&1 &
sim_pid=$!
# Wait for its ready line rather than for a fixed time.
for _ in $(seq 1 300); do
    grep -q ready "$work/sim.out" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.out" >&2; exit 1; }
    sleep 0.1
done
grep -q ready "$work/sim.out" || { echo "demo: volmar-sim did not start" >&2; exit 1; }
cat "$work/sim.out"

echo "== volmarctl list"
"$ctl" list --virtual
line=$("$ctl" list --virtual | sed -n 1p)
ids="${line:4:4}:${line:13:4}"

echo "== volmarctl read --device $ids"
"$ctl" read --virtual --device "$ids" -o "$work/controller.volmar"

echo "== volmarctl export (first lines)"
"$ctl" export "$work/controller.volmar" >"$work/controller.json"
head -n 40 "$work/controller.json"
echo "..."
grep -E '"(dev_name|dev_vid|dev_pid|report)"' "$work/controller.json" || true

echo "== stopping volmar-sim"
