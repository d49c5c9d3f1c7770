# Shared by the demo scripts (sourced): private folders and a volmar-sim.

# demo_need PROGRAM...: every program must have been built.
demo_need() {
    for tool in "$@"; do
        [ -x "$tool" ] || { echo "demo: $tool is not built" >&2; exit 1; }
    done
}

# demo_private_folders: a private work folder ($work) with its own runtime
# and config folders, so that a demo never sees (or disturbs) a sim or the
# settings of the user; everything goes when the script ends.
demo_private_folders() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/volmar-demo.XXXXXX")
    chmod 700 "$work"
    export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"
    mkdir -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
    sim_pid=""
    mover_pid=""
    trap demo_cleanup EXIT
    trap 'exit 130' INT TERM
}

demo_cleanup() {
    if [ -n "$mover_pid" ]; then
        kill "$mover_pid" 2>/dev/null || true
        wait "$mover_pid" 2>/dev/null || true
    fi
    if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}

# demo_start_sim SIM [ARGS...]: starts the sim and waits for its ready line
# rather than for a fixed time; prints what it said.
demo_start_sim() {
    "$@" >"$work/sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 1 300); do
        grep -q ready "$work/sim.out" 2>/dev/null && break
        kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.out" >&2; exit 1; }
        sleep 0.1
    done
    grep -q ready "$work/sim.out" || { echo "demo: volmar-sim did not start" >&2; exit 1; }
    cat "$work/sim.out"
}

# demo_move_sim ID: in the background until the demo ends, moves axes 1, 2
# and 4 of the sim with that id up and down and presses its hardware buttons
# 1-10 in turn, five times a second, through the sim's runtime pipe.
demo_move_sim() {
    local pipe="$XDG_RUNTIME_DIR/volmar/virtual/$1.control"
    [ -p "$pipe" ] || { echo "demo: $pipe is missing" >&2; exit 1; }
    (
        step=0
        while [ -p "$pipe" ]; do
            v=$(( (step * 160) % 8190 ))
            [ $v -gt 4095 ] && v=$(( 8190 - v ))
            printf 'axis 1 %d\naxis 2 %d\naxis 4 %d\nbuttons %d\n' \
                $v $(( 4095 - v )) $(( (2 * v) % 4096 )) $(( step % 10 + 1 )) >"$pipe" || break
            step=$(( step + 1 ))
            sleep 0.2
        done
    ) &
    mover_pid=$!
}
