#!/usr/bin/env bash
# Checks the Debian package on a fresh Debian 12 system, as a user would meet it:
#
#   scripts/check-deb-chroot.sh [DEB]        (default: dist/kivrel_*.deb, made by scripts/package.sh)
#
# 1. debootstrap --variant=minbase bookworm into a temporary folder (the Debian mirror is the one
#    apt's sources name; KIVREL_DEBIAN_MIRROR overrides; downloaded packages are kept in
#    /var/cache/kivrel-debootstrap).
# 2. apt-get install ./kivrel_*.deb with Xvfb and trayer, without recommended packages, so the
#    package's own Depends must be enough.
# 3. As a normal user, under Xvfb with trayer as the notification area, runs /usr/bin/kivrel in a
#    network namespace with a default route (online) for at least ten ticks, ends it with SIGTERM,
#    and checks that its icon was in the tray, that the user's own
#    ~/.local/share/kivrel/timer.ini holds a month's minutes, and that the packaged template
#    /usr/lib/kivrel/timer.ini was left empty.
# 4. apt-get remove kivrel, then checks that none of the package's files is left.
#
# Needs root. Ends with "N passed, N failed" and exits non-zero when a check failed.
# KIVREL_KEEP_ROOT=1 keeps the folder.
set -uo pipefail

ROOT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/lib/xsession.sh
. "$ROOT_DIR/scripts/lib/xsession.sh"

say() { printf 'check-deb: %s\n' "$*"; }
die() {
    printf 'check-deb: error: %s\n' "$*" >&2
    exit 1
}
passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        printf 'ok     %s\n' "$what"
    else
        failed=$((failed + 1))
        printf 'FAIL   %s\n' "$what"
    fi
}

[ "$(id -u)" -eq 0 ] || die "run as root (debootstrap, chroot, network namespaces)"

# Mounts made below stay in a mount namespace of this script's own.
if [ -z "${KIVREL_CHECK_UNSHARED:-}" ]; then
    exec unshare -m --propagation private env KIVREL_CHECK_UNSHARED=1 bash "$0" "$@"
fi

deb=${1:-}
if [ -z "$deb" ]; then
    deb=$(find "$ROOT_DIR/dist" -maxdepth 1 -name 'kivrel_*.deb' 2>/dev/null | sort | tail -n 1)
fi
[ -n "$deb" ] && [ -f "$deb" ] || die "no package: run scripts/package.sh deb first, or name one"
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")

for tool in debootstrap xdotool xwininfo ip; do
    command -v "$tool" >/dev/null 2>&1 || die "$tool is missing (apt-get install debootstrap xdotool x11-utils iproute2)"
done

# The Debian mirror apt already uses here, so the check needs no address of its own.
mirror=${KIVREL_DEBIAN_MIRROR:-}
if [ -z "$mirror" ]; then
    mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        /etc/apt/sources.list.d/*.sources 2>/dev/null |
        grep -E '^(deb |URIs:)' | grep -oE 'https?://[^ ]+/debian/?' | grep -v security |
        head -n 1)
fi
[ -n "$mirror" ] || die "no Debian mirror found in apt's sources; set KIVREL_DEBIAN_MIRROR"

root=$(mktemp -d /var/tmp/kivrel-chroot.XXXXXX)
chmod 755 "$root"  # the system's root folder: apt's own user must get through it
kpid=
finish() {
    trap - EXIT
    [ -n "$kpid" ] && kill -KILL "$kpid" 2>/dev/null
    kivrel_x_stop
    # Anything still running inside the folder goes first, then the mounts, then the folder.
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill -KILL "${p#/proc/}" 2>/dev/null
    done
    umount -l "$root/dev/pts" "$root/dev" "$root/sys" "$root/proc" 2>/dev/null
    if [ "${KIVREL_KEEP_ROOT:-0}" = 1 ]; then
        say "kept $root"
    else
        rm -rf --one-file-system "$root"
    fi
}
trap finish EXIT
trap 'exit 130' INT TERM HUP

in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"; }

# ---------------------------------------------------------------- 1. a fresh system
say "debootstrap --variant=minbase bookworm $root ($mirror)"
mkdir -p /var/cache/kivrel-debootstrap
debootstrap --variant=minbase --cache-dir=/var/cache/kivrel-debootstrap bookworm "$root" "$mirror" \
    >"$root.debootstrap.log" 2>&1 || {
    tail -n 30 "$root.debootstrap.log"
    die "debootstrap failed"
}
rm -f "$root.debootstrap.log"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

# ---------------------------------------------------------------- 2. the package
cp "$deb" "$root/tmp/"
name=$(basename "$deb")
say "apt-get install ./$name xvfb xauth trayer"
in_root apt-get update -q >/dev/null || die "apt-get update failed in the chroot"
(cd "$root/tmp" && chroot "$root" sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends ./$name xvfb xauth trayer" \
    >"$root/tmp/install.log" 2>&1)
install_status=$?
grep -E '^(Setting up|The following NEW)' "$root/tmp/install.log" | head -n 3
check "apt-get install ./$name" [ "$install_status" -eq 0 ]
[ "$install_status" -eq 0 ] || {
    tail -n 30 "$root/tmp/install.log"
    echo "$passed passed, $((failed)) failed"
    exit 1
}
in_root dpkg-query -W -f='installed: ${Package} ${Version}\nDepends: ${Depends}\n' kivrel
mapfile -t files < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|' | grep -v '/$')
check "/usr/bin/kivrel leads to /usr/lib/kivrel/kivrel" \
    [ "$(in_root readlink -f /usr/bin/kivrel)" = /usr/lib/kivrel/kivrel ]
check "the template /usr/lib/kivrel/timer.ini is there and empty" \
    test -f "$root/usr/lib/kivrel/timer.ini" -a ! -s "$root/usr/lib/kivrel/timer.ini"

# ---------------------------------------------------------------- 3. a user's session
user=kivtest
in_root useradd --create-home --shell /bin/bash "$user" || die "useradd failed"
uid=$(in_root id -u "$user")
home=/home/$user
in_root install -d -o "$user" -g "$user" -m 700 "/tmp/runtime-$user"

# The X server and trayer come from the chroot; found from outside through Xvfb's abstract socket.
for n in $(seq 150 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
export DISPLAY=:$n
chroot "$root" setsid Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp -noreset \
    >"$root/tmp/xvfb.log" 2>&1 &
# shellcheck disable=SC2034  # kivrel_x_stop ends it
KIVREL_XVFB_PID=$!
kivrel_wait_for 30 xdpyinfo >/dev/null 2>&1 || {
    cat "$root/tmp/xvfb.log"
    die "Xvfb did not start in the chroot"
}
chroot --userspec="$user:$user" "$root" env -i DISPLAY="$DISPLAY" HOME="$home" \
    trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel --height 32 \
    --SetDockType true --transparent false --expand false \
    >"$root/tmp/trayer.log" 2>&1 &
# shellcheck disable=SC2034  # kivrel_x_stop ends it
KIVREL_TRAYER_PID=$!
kivrel_wait_for 30 _kivrel_tray_ready || die "trayer did not show its panel"

say "starting /usr/bin/kivrel as $user (uid $uid), online, under Xvfb $DISPLAY with trayer"
started_ms=$(kivrel_now_ms)
unshare -n bash "$ROOT_DIR/tests/desktop/netns_exec.sh" online -- \
    chroot --userspec="$user:$user" "$root" env -i DISPLAY="$DISPLAY" HOME="$home" USER="$user" \
    LOGNAME="$user" XDG_RUNTIME_DIR="/tmp/runtime-$user" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    /usr/bin/kivrel >"$root/tmp/kivrel.log" 2>&1 &
kpid=$!

icon=
_icon_up() { icon=$(kivrel_tray_icon_of "$kpid"); }
check "kivrel's icon is in trayer's panel" kivrel_wait_for 60 _icon_up
say "tray icon window: ${icon:-none}"

data=$root$home/.local/share/kivrel/timer.ini
# The whole minutes of the month sections in the user's file, one "T<n> <minutes>" a line.
month_minutes() {
    tr -d '\r' <"$data" 2>/dev/null | awk '
        /^\[/ { s = toupper($0); gsub(/[][ \t]/, "", s); next }
        s ~ /^T[0-9]+$/ && tolower($0) ~ /^value[ \t]*=/ { v = $0; sub(/^[^=]*=[ \t]*/, "", v);
                                                         print s, v + 0 }'
}
_counted() { month_minutes | awk '$2 >= 1 { found = 1 } END { exit !found }'; }
# A minute is ten ticks of 6 s; the file shows 1 once six have passed (rounded), so wait for
# that, then until ten ticks' time has passed, with room for a loaded machine.
kivrel_wait_for 150 _counted
while [ $(($(kivrel_now_ms) - started_ms)) -lt 62000 ] && kill -0 "$kpid" 2>/dev/null; do
    sleep 1
done
check "kivrel still runs after ten ticks" kill -0 "$kpid"
kivrel_stop_pid "$kpid" 10
kpid=
say "kivrel ran $((($(kivrel_now_ms) - started_ms) / 1000)) s; its log:"
sed 's/^/  | /' "$root/tmp/kivrel.log" | head -n 20
say "$home/.local/share/kivrel/timer.ini:"
tr -d '\r' <"$data" 2>/dev/null | sed 's/^/  | /'
check "the user's own timer.ini exists and belongs to $user" \
    [ "$(stat -c %u "$data" 2>/dev/null)" = "$uid" ]
check "the user's timer.ini holds at least a minute in a month section" _counted
check "the template /usr/lib/kivrel/timer.ini is still empty" \
    test -f "$root/usr/lib/kivrel/timer.ini" -a ! -s "$root/usr/lib/kivrel/timer.ini"
kivrel_x_stop

# ---------------------------------------------------------------- 4. removal
say "apt-get remove kivrel"
in_root apt-get remove -y -q kivrel >"$root/tmp/remove.log" 2>&1
check "apt-get remove kivrel" [ $? -eq 0 ]
status=$(in_root dpkg-query -W -f='${db:Status-Abbrev}' kivrel 2>/dev/null)
_not_installed() { [ -z "${status// /}" ] || [ "${status:0:2}" = un ]; }
check "dpkg has kivrel as not installed ('${status% }')" _not_installed
left=()
for f in "${files[@]}" /usr/bin/kivrel /usr/lib/kivrel /usr/share/doc/kivrel; do
    [ -e "$root$f" ] || [ -L "$root$f" ] && left+=("$f")
done
check "none of the package's ${#files[@]} files is left${left:+ (left: ${left[*]})}" \
    [ ${#left[@]} -eq 0 ]
check "the user's own timer.ini stays in $home" test -f "$data"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
