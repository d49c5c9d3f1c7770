#!/usr/bin/env bash
# Both programs at scale 1.0, 1.5 and 2.0 (QT_SCALE_FACTOR) and with a dark
# palette, on a virtual X server, against a virtual controller: VolmarSetup
# after reading it, Inspecta with its gauges and event list. The pictures go
# to BUILD_DIR/demo/look/<look>/ (look: scale-1.0, scale-1.5, scale-2.0,
# dark), so they can be looked over for clipped texts and colours the
# palette does not give.
# Usage: data/demo-themes.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: demo-themes.sh BUILD_DIR}
sim="$build/sim/volmar-sim"
app="$build/configurator/app/VolmarSetup"
shots="$build/viewer/ui/inspecta-shots"

# shellcheck source=data/demo-common.sh
. "$(dirname "${BASH_SOURCE[0]}")/demo-common.sh"
demo_need "$sim" "$app" "$shots"
command -v xvfb-run >/dev/null || { echo "demo: xvfb-run is missing (./x installs xvfb)" >&2; exit 1; }
demo_private_folders
demo_start_sim "$sim" --id look >/dev/null
out="$build/demo/look"
rm -rf "$out"

# look NAME SCALE [ARGS...]: one look of both programs.
look() {
    local name=$1 scale=$2
    shift 2
    local dir="$out/$name"
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    local app_args=(--demo-pages "$dir") shot_args=()
    if [ "${1:-}" = dark ]; then
        app_args+=(--demo-dark)
        shot_args=(--dark)
    fi
    # Every page of the configurator, as DIR/<page>.png.
    QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 3200x2200x24" \
        "$app" --demo-read --demo-screenshot "$dir/volmarsetup.png" "${app_args[@]}" >/dev/null
    QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 3200x2200x24" \
        "$shots" --out "$dir" --at 2500 --raw --dialogs "${shot_args[@]}" >/dev/null
    ls -1 "$dir"/*.png
}
look scale-1.0 1.0
look scale-1.5 1.5
look scale-2.0 2.0
look dark 1.0 dark
