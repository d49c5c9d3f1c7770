#!/usr/bin/env bash
# Inspecta on a virtual controller: volmar-sim moves its axes, hat and
# buttons by itself; pictures of the viewer are taken while they move, with
# the raw values shown, then of its dialogs. Without a display the viewer
# runs on a virtual X server (xvfb-run).
# Usage: data/demo-viewer.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: demo-viewer.sh BUILD_DIR}
sim="$build/sim/volmar-sim"
shots="$build/viewer/ui/inspecta-shots"
out="$build/demo"

# Private folders: a first run (every axis and hat shown) that never sees a
# sim or the watch settings of the user.
# shellcheck source=data/demo-common.sh
. "$(dirname "${BASH_SOURCE[0]}")/demo-common.sh"
demo_need "$sim" "$shots"
demo_private_folders

echo "== starting volmar-sim (default joystick: X, Y, a hat and ten buttons, all moving)"
demo_start_sim "$sim" --id inspecta-demo

mkdir -p "$out"
rm -f "$out"/inspecta-*.png
# The hat is pressed in the first two seconds of the sim's button round, the
# buttons after it, one every half second. Pictures at 1.2 s and 3.5 s show
# the axes and the hat moving; at 3.6 s the Buffered window stops listing
# axes, so the picture at 7 s shows the buttons going down and up.
run=("$shots" --out "$out" --at 1200,3500,7000 --raw --axes-off-at 3600 --dialogs)
echo "== Inspecta, pictures into $out"
if [ -n "${DISPLAY:-}" ]; then
    "${run[@]}"
else
    command -v xvfb-run >/dev/null || { echo "demo: xvfb-run is needed without a display" >&2; exit 1; }
    xvfb-run -a -s "-screen 0 1280x900x24" "${run[@]}"
fi
ls -1 "$out"/inspecta-*.png
