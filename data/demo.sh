#!/usr/bin/env bash
# The configurator against a virtual controller. volmar-sim starts in the
# background with a configuration worth reading, then VolmarSetup reads it.
# With a display the window stays open for you (the sim stops when it
# closes); without one it runs under xvfb-run, saves a screenshot of the
# window after the read and one a second later (the sim's axes and buttons
# move all the time) and prints their paths. With --pages it always runs
# under xvfb-run (a 1280x800 screen) and saves one screenshot per page too.
# With --firmware it goes on to the firmware page: "Start bootloader", the
# virtual controller's bootloader port in the port field; headless it also
# saves pictures of that page and of the about box. With --languages it
# always runs under xvfb-run and saves a picture of the window in each of
# its four languages, switched one after the other with the configuration
# read from the controller.
# The window starts in English: the demo keeps a settings file of its own
# that says so (the program itself starts in Russian until told otherwise).
# Usage: data/demo.sh BUILD_DIR [--pages] [--firmware] [--languages]
set -euo pipefail

usage="usage: demo.sh BUILD_DIR [--pages] [--firmware] [--languages]"
build=${1:?$usage}
shift
pages=0
firmware=0
languages=0
for arg in "$@"; do
    case $arg in
        --pages) pages=1 ;;
        --firmware) firmware=1 ;;
        --languages) languages=1 ;;
        *) echo "$usage" >&2; exit 2 ;;
    esac
done
sim="$build/sim/volmar-sim"
ctl="$build/configurator/cli/volmarctl"
app="$build/configurator/app/VolmarSetup"

# shellcheck source=data/demo-common.sh
. "$(dirname "${BASH_SOURCE[0]}")/demo-common.sh"
demo_need "$sim" "$ctl" "$app"
demo_private_folders
headless=$((pages || languages))
[ -z "${DISPLAY:-}" ] && headless=1
printf '[Main]\nTranslate=English\n' >"$work/VolmarSetup.ini"
app_args=(--demo-settings "$work/VolmarSetup.ini")

# Two axes, a virtual throttle, a hat and a few buttons (two of them an
# encoder, one a switch on shift key 1), two shaped curves, a zoom button,
# an axis-to-button row, a double throttle, a small button matrix with a
# shift register, and the LED outputs.
button() { printf '{"hw":%d,"mode":%d,"shift":%d,"timer":%d}' "$1" "${2:-0}" "${3:-0}" "${4:-0}"; }
rows=$(for hw in 1 2 3 4 5 6 7 8 9 10; do button $hw; printf ','; done
       button 15 6 0 1; printf ','; button 16 6 0 1; printf ','; button 17 2 1 0)
curve() { # curve N, symmetrical, nine points
    local n=$1 sym=$2 k=1; shift 2
    printf '"osi_%d_curve_s":%s' "$n" "$sym"
    for p in "$@"; do printf ',"osi_%d_curve_0%d":%d' "$n" $k "$p"; k=$((k + 1)); done
}
cat >"$work/demo.json" <<JSON
{"dev_name":"Volmar demo","dev_vid":"1209","dev_pid":"5AB1",
 "osi_1_src":2,"osi_1_name":1,"osi_1_src_port":41,"osi_1_filter":3,"osi_1_dzc":2,"osi_1_specfunc":1,
 "osi_2_src":2,"osi_2_name":2,"osi_2_src_port":42,"osi_2_invert":true,"osi_2_specfunc":2,
 "osi_3_src":1,"osi_3_name":7,"osi_3_ms_btn_u":7,"osi_3_ms_btn_d":8,"osi_3_ms_step":"40",
 "osi_4_src":3,"osi_4_name":3,"osi_4_src_port":13,"osi_4_prcsn":2,
 $(curve 1 false 40 55 70 85 100 115 130 150 170),
 $(curve 2 true 30 45 60 75 90 105 120 135 150),
 "osi_1_zm_knp":11,"osi_1_zm_del":"4","osi_1_zm_spd":"2",
 "ab_01_b":12,"ab_01_a":2,"ab_01_l":"10","ab_01_h":"90",
 "sf_thr_bnom":13,"sf_thr_bmod":1,"sf_thr_asrc":1,"sf_thr_adsc":4,
 "hw_br_1":17,"hw_br_2":18,"hw_br_3":19,"hw_bc_1":25,"hw_bc_2":26,"hw_bc_3":27,
 "sr_01_len":2,"sr_01_prt":9,"sr_01_miso":11,"sr_01_kol":2,
 "enc_01_l":15,"enc_01_r":16,"btn_shift_1":20,"typ_shift_1":1,
 "btn_timer_1":1,"btn_timer_1_mode":1,
 "led_ws2811":true,"led_max7219":true,"led_color_init":16744448,"led_digbri":12,
 "buttons":[${rows}]}
JSON
"$ctl" import "$work/demo.json" -o "$work/eeprom.bin" >/dev/null

echo "== starting volmar-sim"
demo_start_sim "$sim" --id demo --eeprom "$work/eeprom.bin"
# The live fields move: axes and buttons change while the window runs.
demo_move_sim demo

if [ $headless -eq 0 ]; then
    echo "== VolmarSetup (close the window to end the demo)"
    if [ $firmware -eq 1 ]; then
        "$app" "${app_args[@]}" --demo-read --demo-firmware
    else
        "$app" "${app_args[@]}" --demo-read
    fi
    exit 0
fi

command -v xvfb-run >/dev/null || { echo "demo: xvfb-run is missing (./x installs xvfb)" >&2; exit 1; }
shots="$build/demo"
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)
shot="$shots/volmarsetup.png"
live_shot="$shots/volmarsetup-live.png"
rm -f "$shot" "$live_shot"
page_args=()
[ $pages -eq 1 ] && page_args=(--demo-pages "$shots")
echo "== VolmarSetup under xvfb-run"
xvfb-run -a -s "-screen 0 1280x800x24" "$app" "${app_args[@]}" --demo-read \
    --demo-screenshot "$shot" --demo-live "$live_shot" "${page_args[@]}"
for f in "$shot" "$live_shot"; do
    [ -f "$f" ] || { echo "demo: $f was not saved" >&2; exit 1; }
done
echo "screenshot: $shot"
echo "a second later: $live_shot"
[ $pages -eq 0 ] || echo "page screenshots: $shots/Tab*.png"

if [ $languages -eq 1 ]; then
    rm -f "$shots"/volmarsetup-{ru,de,en,hr}.png
    echo "== VolmarSetup: the four languages"
    xvfb-run -a -s "-screen 0 1280x800x24" "$app" "${app_args[@]}" --demo-read \
        --demo-languages "$shots"
    for code in ru de en hr; do
        f="$shots/volmarsetup-$code.png"
        [ -f "$f" ] || { echo "demo: $f was not saved" >&2; exit 1; }
        echo "screenshot: $f"
    done
fi
[ $firmware -eq 1 ] || exit 0

fw_shot="$shots/firmware.png"
about_shot="$shots/about.png"
rm -f "$fw_shot" "$about_shot"
echo "== VolmarSetup: firmware page and about box"
xvfb-run -a -s "-screen 0 1280x800x24" "$app" "${app_args[@]}" --demo-read --demo-firmware \
    --demo-screenshot "$fw_shot" --demo-about "$about_shot"
for f in "$fw_shot" "$about_shot"; do
    [ -f "$f" ] || { echo "demo: $f was not saved" >&2; exit 1; }
    echo "screenshot: $f"
done
