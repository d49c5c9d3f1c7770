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
    trap demo_cleanup EXIT
    trap 'exit 130' INT TERM
}

demo_cleanup() {
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
