#!/usr/bin/env bash
# The configurator against a virtual controller. volmar-sim starts in the
# background with a configuration worth reading, then VolmarSetup reads it.
# With a display the window stays open for you (the sim stops when it
# closes); without one it runs under xvfb-run, saves a screenshot of the
# window after the read and prints its path.
# With --firmware it goes on to the firmware page: "Start bootloader", the
# virtual controller's bootloader port in the port field; headless it also
# saves pictures of that page and of the about box.
# Usage: data/demo.sh BUILD_DIR [--firmware]
set -euo pipefail

build=${1:?usage: demo.sh BUILD_DIR [--firmware]}
firmware=0
case ${2:-} in
    "") ;;
    --firmware) firmware=1 ;;
    *) echo "usage: demo.sh BUILD_DIR [--firmware]" >&2; exit 2 ;;
esac
sim="$build/sim/volmar-sim"
ctl="$build/configurator/cli/volmarctl"
app="$build/configurator/app/VolmarSetup"
for tool in "$sim" "$ctl" "$app"; do
    [ -x "$tool" ] || { echo "demo: $tool is not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/volmar-demo.XXXXXX")
chmod 700 "$work"
headless=0
[ -z "${DISPLAY:-}" ] && headless=1
# Without a display nothing else runs in this session: a private runtime
# folder keeps the demo's virtual controller and lock apart from the user's.
if [ $headless -eq 1 ] || [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
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

if [ $headless -eq 0 ]; then
    echo "== VolmarSetup (close the window to end the demo)"
    if [ $firmware -eq 1 ]; then
        "$app" --demo-read --demo-firmware
    else
        "$app" --demo-read
    fi
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
[ $firmware -eq 1 ] || exit 0

fw_shot="$(cd "$shots" && pwd)/firmware.png"
about_shot="$(cd "$shots" && pwd)/about.png"
rm -f "$fw_shot" "$about_shot"
echo "== VolmarSetup: firmware page and about box"
xvfb-run -a -s "-screen 0 1280x800x24" "$app" --demo-read --demo-firmware \
    --demo-screenshot "$fw_shot" --demo-about "$about_shot"
for f in "$fw_shot" "$about_shot"; do
    [ -f "$f" ] || { echo "demo: $f was not saved" >&2; exit 1; }
    echo "screenshot: $f"
done
