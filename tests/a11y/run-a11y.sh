#!/usr/bin/env bash
# The accessibility walk of both programs: a virtual X server, a private
# session bus (which starts the accessibility bus when asked), volmar-sim,
# then VolmarSetup connected to it and Inspecta, walked by walk.py over
# AT-SPI as a screen reader sees them. Exit 77 (a skip for CTest) with one
# clear line when the tools it needs are not installed.
# Usage: run-a11y.sh VolmarSetup Inspecta volmar-sim
set -euo pipefail
setup=$(realpath "${1:?usage: run-a11y.sh VolmarSetup Inspecta volmar-sim}")
viewer=$(realpath "${2:?}")
sim=$(realpath "${3:?}")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Debian's own Python: the AT-SPI bindings are Debian packages.
py=/usr/bin/python3
missing=()
[ -x "$py" ] && "$py" -c 'import pyatspi' 2>/dev/null || missing+=(python3-pyatspi)
command -v xvfb-run >/dev/null || missing+=(xvfb)
command -v dbus-run-session >/dev/null || missing+=(dbus)
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=(at-spi2-core)
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIPPED: the accessibility walk needs ${missing[*]} (./x test installs them)"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/volmar-a11y.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime" "$work/config" "$work/data"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
cd "$work"
exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- \
    "$py" "$here/walk.py" --setup "$setup" --viewer "$viewer" --sim "$sim" --work "$work"
