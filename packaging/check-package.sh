#!/usr/bin/env bash
# ./x test --package: builds the Debian package and checks it as a user
# would meet it. Always: its contents and dependencies, the desktop files
# and metainfo, and the programs run from the unpacked tree (volmarctl
# --version; VolmarSetup and Inspecta to their first window on a virtual X
# server; the settings file in the user's folder, not beside the program).
# Where a Debian 12 system can be unpacked (debootstrap, as root, with the
# Debian mirror reachable): the package installed there with apt and the
# programs started in it the same way. Set VOLMAR_NO_CHROOT=1 to skip that.
# Prints "N passed, N failed" at the end; fails when a check fails.
set -uo pipefail

root=${1:?usage: check-package.sh REPO}
cd "$root"
./x package >/dev/null || { echo "check-package: ./x package failed" >&2; exit 1; }
deb=$(ls -1t build-package/volmar_*.deb | head -1)
work=$(mktemp -d "${TMPDIR:-/tmp}/volmar-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() { # check NAME COMMAND...: one line per check
    local name=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        passed=$((passed + 1))
        echo "ok   $name"
    else
        failed=$((failed + 1))
        echo "FAIL $name"
        sed 's/^/     /' "$work/out" | tail -20
    fi
}

echo "== $deb"
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's#^\./#/#' >"$work/files"
expected=(
    /usr/bin/VolmarSetup /usr/bin/Inspecta /usr/bin/volmarctl /usr/bin/volmar-sim
    /usr/share/volmar/DarOzazoz_atmeldfu/atmeldfu.sh
    /usr/share/volmar/DarOzazoz_arduino/arduino.sh
    /usr/share/volmar/DarOzazoz_teensy2/teensy2.sh
    /usr/lib/udev/rules.d/70-volmar.rules
    /usr/share/man/man1/VolmarSetup.1 /usr/share/man/man1/Inspecta.1
    /usr/share/man/man1/volmarctl.1 /usr/share/man/man1/volmar-sim.1)
for app in VolmarSetup Inspecta; do
    id=org.example.volmar.$app
    expected+=(/usr/share/applications/$id.desktop /usr/share/metainfo/$id.metainfo.xml
        /usr/share/icons/hicolor/scalable/apps/$id.svg)
    for size in 16 24 32 48 64 128 256; do
        expected+=(/usr/share/icons/hicolor/${size}x${size}/apps/$id.png)
    done
done
has_all() {
    local missing=0
    for f in "${expected[@]}"; do
        grep -qx "$f" "$work/files" || { echo "missing: $f"; missing=1; }
    done
    return $missing
}
check "the package holds every program, loader folder, desktop file, icon and man page" has_all
nothing_else() { ! grep -vE '^/usr/(bin|share|lib/udev/rules.d)(/|$)|^/$|^/usr/$|^/usr/lib/$|^/usr/lib/udev/$' "$work/files"; }
check "nothing outside /usr/bin, /usr/share and the udev rules folder" nothing_else

depends=$(dpkg-deb -f "$deb" Depends)
echo "     Depends: $depends"
depends_on() {
    for pkg in "$@"; do
        [[ ", $depends," == *", $pkg"[\ ,]* ]] || { echo "no dependency on $pkg"; return 1; }
    done
}
check "dependencies name the Debian 12 packages of Qt, udev and evdev" \
    depends_on libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libudev1 libevdev2 libc6 \
    qt6-qpa-plugins
check "desktop files are valid" desktop-file-validate packaging/*.desktop
check "metainfo is valid" appstreamcli validate --no-net --explain packaging/*.metainfo.xml

# run_programs ROOT [PREFIX...]: the programs of a system whose files are in
# ROOT, run through PREFIX (chroot ROOT, or nothing for an unpacked tree).
run_programs() {
    local where=$1
    shift
    local bin=$1
    shift
    local run=("$@")
    local home=/tmp/volmar-check-home
    local env_=(env -i PATH=/usr/bin:/bin HOME=$home XDG_RUNTIME_DIR=$home/run
        XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data)
    local host_home=$home bin_host=$bin
    if [ ${#run[@]} -gt 0 ]; then
        host_home="$where$home"
        bin_host="$where$bin"
    fi
    rm -rf "$host_home"
    mkdir -p -m 700 "$host_home/run" "$host_home/config" "$host_home/data"

    check "$where: volmarctl --version" bash -c \
        "$(printf '%q ' "${run[@]}" "${env_[@]}") $bin/volmarctl --version | grep -x 'volmarctl [0-9.]* (Volmar2-20161101)'"
    check "$where: volmarctl converts a configuration" bash -c \
        "echo '{\"osi_1_src\":2}' >$host_home/c.json && $(printf '%q ' "${run[@]}" "${env_[@]}") $bin/volmarctl import $home/c.json -o $home/c.volmar --check"
    check "$where: VolmarSetup offscreen to its first window" bash -c \
        "$(printf '%q ' "${run[@]}" "${env_[@]}") QT_QPA_PLATFORM=offscreen timeout 60 $bin/VolmarSetup --demo-screenshot $home/first.png && test -s $host_home/first.png"
    check "$where: the settings go to the user's folder, not beside the program" bash -c \
        "test -s $host_home/config/VolmarSetup/VolmarSetup.ini && ! test -e $bin_host/VolmarSetup.ini"
    check "$where: Inspecta offscreen runs until it is closed" bash -c \
        "$(printf '%q ' "${run[@]}" "${env_[@]}") QT_QPA_PLATFORM=offscreen timeout -s TERM 5 $bin/Inspecta; test \$? -eq 124"
    if [ ${#run[@]} -eq 0 ] || [ -x "$where/usr/bin/xvfb-run" ]; then
        cp packaging/first-windows.sh "$host_home/first-windows.sh"
        check "$where: both windows show on an X server" \
            "${run[@]}" "${env_[@]}" sh "$home/first-windows.sh" "$bin"
    fi
}

echo "== the unpacked tree"
tree="$work/unpacked"
dpkg-deb -x "$deb" "$tree"
run_programs "$tree" "$tree/usr/bin"

if [ "${VOLMAR_NO_CHROOT:-0}" = 1 ]; then
    echo "skipped: the Debian 12 chroot (VOLMAR_NO_CHROOT=1)"
elif [ "$(id -u)" -ne 0 ] || ! command -v debootstrap >/dev/null; then
    echo "skipped: the Debian 12 chroot needs root and debootstrap"
else
    base="$root/build-package/bookworm-base"
    mirror=${VOLMAR_DEBIAN_MIRROR:-http://deb.debian.org/debian}
    if [ ! -f "$base/.complete" ]; then
        echo "== debootstrap bookworm (once, kept in $base)"
        rm -rf "$base"
        if debootstrap --variant=minbase bookworm "$base" "$mirror" >"$work/debootstrap.log" 2>&1; then
            touch "$base/.complete"
        else
            tail -5 "$work/debootstrap.log"
        fi
    fi
    if [ -f "$base/.complete" ]; then
        chroot_dir="$work/chroot"
        cp -a "$base" "$chroot_dir"
        cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf"
        cp "$deb" "$chroot_dir/tmp/volmar.deb"
        mount -t proc proc "$chroot_dir/proc"
        trap 'umount "$chroot_dir/proc" 2>/dev/null; rm -rf "$work"' EXIT
        install_deb() {
            chroot "$chroot_dir" env DEBIAN_FRONTEND=noninteractive sh -c \
                'apt-get update -qq && apt-get install -y -qq --no-install-recommends /tmp/volmar.deb xvfb xauth x11-utils'
        }
        echo "== a fresh Debian 12 (debootstrap) with the package installed by apt"
        check "$chroot_dir: apt installs the package and what it depends on" install_deb
        check "$chroot_dir: dpkg knows it as installed" chroot "$chroot_dir" dpkg -s volmar
        run_programs "$chroot_dir" /usr/bin chroot "$chroot_dir"
    else
        echo "skipped: the Debian 12 chroot (debootstrap could not reach $mirror)"
    fi
fi

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
