#!/bin/sh
# first-windows.sh BIN: on a virtual X server, starts BIN/VolmarSetup and
# BIN/Inspecta and waits (up to 20 s) until both have a window with their
# title on the screen; prints the windows found, then closes both.
bin=${1:?usage: first-windows.sh BIN}
exec xvfb-run -a sh -c '
    "$1/VolmarSetup" & setup=$!
    "$1/Inspecta" & viewer=$!
    found=1
    for i in $(seq 1 100); do
        xwininfo -root -tree >/tmp/volmar-windows.txt 2>/dev/null
        if grep -q "VolmarSetup\"" /tmp/volmar-windows.txt && grep -q "\"Inspecta" /tmp/volmar-windows.txt; then
            found=0
            break
        fi
        sleep 0.2
    done
    grep -E "VolmarSetup\"|\"Inspecta" /tmp/volmar-windows.txt
    kill $setup $viewer
    wait
    exit $found' sh "$bin"
