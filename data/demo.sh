#!/usr/bin/env bash
# The configurator against a virtual controller. volmar-sim starts in the
# background with a configuration worth reading, then VolmarSetup reads it.
# With a display the window stays open for you (the sim stops when it
# closes); without one it runs under xvfb-run, saves a screenshot of the
# window after the read and prints its path.
# Usage: data/demo.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: demo.sh BUILD_DIR}
sim="$build/sim/volmar-sim"
ctl="$build/configurator/cli/volmarctl"
app="$build/configurator/app/VolmarSetup"

# shellcheck source=data/demo-common.sh
. "$(dirname "${BASH_SOURCE[0]}")/demo-common.sh"
demo_need "$sim" "$ctl" "$app"
demo_private_folders
headless=0
[ -z "${DISPLAY:-}" ] && headless=1

# Two axes, a virtual throttle, a hat and a few buttons.
button() { printf '{"hw":%d,"mode":0,"shift":0,"timer":0}' "$1"; }
rows=$(for hw in 1 2 3 4 5 6 7 8 9 10; do button $hw; printf ','; done)
cat >"$work/demo.json" <<JSON
{"dev_name":"Volmar demo","dev_vid":"1209","dev_pid":"5AB1",
 "osi_1_src":2,"osi_1_name":1,"osi_1_src_port":41,"osi_1_filter":3,"osi_1_dzc":2,
 "osi_2_src":2,"osi_2_name":2,"osi_2_src_port":42,"osi_2_invert":true,
 "osi_3_src":1,"osi_3_name":7,"osi_3_ms_btn_u":7,"osi_3_ms_btn_d":8,"osi_3_ms_step":"40",
 "osi_4_src":3,"osi_4_name":3,"osi_4_src_port":13,
 "buttons":[${rows%,}]}
JSON
"$ctl" import "$work/demo.json" -o "$work/eeprom.bin" >/dev/null

echo "== starting volmar-sim"
demo_start_sim "$sim" --id demo --eeprom "$work/eeprom.bin"

if [ $headless -eq 0 ]; then
    echo "== VolmarSetup (close the window to end the demo)"
    "$app" --demo-read
    exit 0
fi

command -v xvfb-run >/dev/null || { echo "demo: xvfb-run is missing (./x installs xvfb)" >&2; exit 1; }
shots="$build/demo"
mkdir -p "$shots"
shot="$(cd "$shots" && pwd)/volmarsetup.png"
rm -f "$shot"
echo "== VolmarSetup under xvfb-run"
xvfb-run -a -s "-screen 0 1280x800x24" "$app" --demo-read --demo-screenshot "$shot"
[ -f "$shot" ] || { echo "demo: no screenshot was saved" >&2; exit 1; }
echo "screenshot: $shot"
