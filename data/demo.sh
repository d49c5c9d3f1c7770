#!/usr/bin/env bash
# The main job without a window: a virtual controller is started, listed,
# its configuration read and shown, and the controller stopped again.
# Usage: data/demo.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: demo.sh BUILD_DIR}
sim="$build/sim/volmar-sim"
ctl="$build/configurator/cli/volmarctl"

# shellcheck source=data/demo-common.sh
. "$(dirname "${BASH_SOURCE[0]}")/demo-common.sh"
demo_need "$sim" "$ctl"
demo_private_folders

# Give the controller a configuration worth reading: one axis and one button.
printf '%s\n' '{"dev_name":"Volmar demo","osi_1_src":2,"osi_1_name":1,"osi_1_src_port":41,
 "buttons":[{"hw":0,"mode":0,"shift":0,"timer":0},{"hw":0,"mode":0,"shift":0,"timer":0},
 {"hw":0,"mode":0,"shift":0,"timer":0},{"hw":0,"mode":0,"shift":0,"timer":0},
 {"hw":1,"mode":0,"shift":0,"timer":0}]}' >"$work/demo.json"
"$ctl" import "$work/demo.json" -o "$work/eeprom.bin" >/dev/null

echo "== starting volmar-sim"
demo_start_sim "$sim" --id demo --eeprom "$work/eeprom.bin"

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
