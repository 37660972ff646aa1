#!/bin/sh
# Runs the connection probe through real link and route states inside a private network
# namespace made for the purpose, so no traffic ever leaves it and the host is left alone.
# Usage: netns_connection.sh <kivrel_netprobe>
# Exit status 77 tells ctest the test was skipped because namespaces are not available.

probe=$1
if [ -z "$probe" ] || [ ! -x "$probe" ]; then
    echo "usage: $0 <kivrel_netprobe>" >&2
    exit 2
fi

if [ -z "$KIVREL_IN_NETNS" ]; then
    if ! command -v ip >/dev/null 2>&1; then
        echo "SKIP: the ip command (iproute2) is not installed"
        exit 77
    fi
    if ! unshare -rn true 2>/dev/null; then
        echo "SKIP: cannot create a network namespace here (unshare -rn failed)"
        exit 77
    fi
    KIVREL_IN_NETNS=1 exec unshare -rn sh "$0" "$@"
fi

set -u
failures=0

show() {
    ip -o link show | sed 's/^/      /'
    ip route show table all | sed 's/^/      /'
    ip -6 route show table all 2>/dev/null | sed 's/^/      /'
}

# probe_once: one run of the probe; state is 1 or 0 (online), links the links it names.
probe_once() {
    got=$("$probe")
    state=${got%% *}
    links=${got#* }
}

# agree: online exactly when some link carries the default route.
agree() {
    [ "$state" = 1 ] && [ -n "$links" ] && return 0
    [ "$state" = 0 ] && [ -z "$links" ]
}

# expect <0|1> <what>: one probe, compared with what it should say.
expect() {
    probe_once
    if [ "$state" = "$1" ] && agree; then
        echo "ok    $1  $2"
    else
        echo "FAIL  $2: expected $1, probe said '$got'"
        show
        failures=$((failures + 1))
    fi
}

# expect_links <links> <what>: the links that carry the default route, in the system's order.
expect_links() {
    probe_once
    if [ "$links" = "$1" ] && agree; then
        echo "ok    [$1]  $2"
    else
        echo "FAIL  $2: expected links [$1], probe said '$got'"
        show
        failures=$((failures + 1))
    fi
}

# wait_state <device> <operstate>: carrier changes reach the interface flags a moment later.
wait_state() {
    n=0
    until ip -o link show dev "$1" | grep -q " state $2 "; do
        n=$((n + 1))
        if [ $n -gt 100 ]; then
            echo "FAIL  $1 never reached state $2"
            show
            exit 1
        fi
        sleep 0.05
    done
}

run() {
    "$@" || { echo "FAIL  could not run: $*"; show; exit 1; }
}

expect 0 "fresh namespace, loopback down"
run ip link set lo up
expect 0 "loopback up, no other link"
run ip route add default dev lo
expect 0 "default route on the loopback device"
run ip route del default dev lo

run ip link add v0 type veth peer name v1
run ip addr add 10.200.0.1/24 dev v0
run ip link set v0 up
expect 0 "link up, peer down (no carrier), no default route"
run ip link set v1 up
wait_state v0 UP
expect 0 "link up with carrier, no default route"

run ip route add default via 10.200.0.2 dev v0
expect 1 "default route via a gateway on a running link"

run ip link set v1 down
wait_state v0 LOWERLAYERDOWN
expect 0 "default route kept, but the peer is down (no carrier)"
run ip link set v1 up
wait_state v0 UP
expect 1 "carrier back"

run ip route del default
expect 0 "default route removed"

# A dial-up link puts a device route as the default, without a gateway.
run ip route add default dev v0
expect 1 "default device route without gateway"
run ip route del default dev v0

for kind in unreachable blackhole prohibit; do
    run ip route add $kind default
    expect 0 "IPv4 $kind default route"
    run ip route del $kind default
done

run ip link set v0 down
expect 0 "link switched off"
run ip link set v0 up
wait_state v0 UP

# A second link: one usable default route among unusable ones is enough.
run ip link add v2 type veth peer name v3
run ip addr add 10.201.0.1/24 dev v2
run ip link set v2 up
run ip route add default via 10.201.0.2 dev v2 metric 10
expect 0 "default route on a link without carrier"
run ip route add unreachable default metric 5
run ip route add default via 10.200.0.2 dev v0 metric 20
expect 1 "one usable default route among several"
run ip route del default via 10.200.0.2 dev v0 metric 20
run ip route del unreachable default metric 5
run ip route del default via 10.201.0.2 dev v2 metric 10
run ip link del v2
expect 0 "back to no default route"

if [ ! -e /proc/sys/net/ipv6 ] || [ "$(cat /proc/sys/net/ipv6/conf/v0/disable_ipv6)" != 0 ]; then
    echo "note  IPv6 is disabled here; the IPv6 cases were not run"
else
    run ip -6 addr add 2001:db8:200::1/64 dev v0 nodad
    run ip -6 route add default via 2001:db8:200::2 dev v0
    expect 1 "IPv6-only default route"
    run ip link set v1 down
    wait_state v0 LOWERLAYERDOWN
    expect 0 "IPv6 default route, peer down"
    run ip link set v1 up
    wait_state v0 UP
    expect 1 "IPv6 carrier back"
    run ip -6 route del default via 2001:db8:200::2 dev v0
    expect 0 "IPv6 default route removed"

    run ip -6 route add default dev lo
    expect 0 "IPv6 default route on the loopback device"
    run ip -6 route del default dev lo
    for kind in unreachable blackhole prohibit; do
        run ip -6 route add $kind default
        expect 0 "IPv6 $kind default route"
        run ip -6 route del $kind default
    done
fi

# A metered link and free Wi-Fi that carry the default route in turn: the probe names the one
# that carries it, both when both do (the preferred route first), and only links with carrier.
run ip link add ppp0 type veth peer name ppp0p
run ip link add wlan0 type veth peer name wlan0p
run ip addr add 10.210.0.1/24 dev ppp0
run ip addr add 10.211.0.1/24 dev wlan0
for dev in ppp0 ppp0p wlan0 wlan0p; do run ip link set $dev up; done
wait_state ppp0 UP
wait_state wlan0 UP
expect_links "" "two links up, neither carries the default route"
run ip route add default dev ppp0
expect_links "ppp0" "the metered link carries the default route"
run ip route del default dev ppp0
run ip route add default via 10.211.0.2 dev wlan0
expect_links "wlan0" "the Wi-Fi link carries it instead"
run ip route add default dev ppp0 metric 10
expect_links "wlan0,ppp0" "both carry a default route, the Wi-Fi one preferred"
run ip route del default via 10.211.0.2 dev wlan0
run ip route add default via 10.211.0.2 dev wlan0 metric 20
expect_links "ppp0,wlan0" "both carry a default route, the metered one preferred"
run ip link set wlan0p down
wait_state wlan0 LOWERLAYERDOWN
expect_links "ppp0" "both routes kept, the Wi-Fi link lost its carrier"
run ip link set ppp0 down
expect_links "" "the metered link switched off, the other without carrier"
run ip link set wlan0p up
wait_state wlan0 UP
expect_links "wlan0" "the Wi-Fi carrier back"
run ip link set ppp0 up
wait_state ppp0 UP
run ip route add default dev ppp0 metric 10
expect_links "ppp0,wlan0" "the metered link back with its route"
if [ -e /proc/sys/net/ipv6 ] && [ "$(cat /proc/sys/net/ipv6/conf/wlan0/disable_ipv6)" = 0 ]; then
    run ip -6 route add default dev wlan0
    expect_links "ppp0,wlan0" "an IPv6 default route as well does not name a link twice"
    run ip route del default via 10.211.0.2 dev wlan0 metric 20
    expect_links "ppp0,wlan0" "a link with only an IPv6 default route is named after the IPv4 ones"
    run ip route del default dev ppp0 metric 10
    expect_links "wlan0" "only the IPv6 default route left"
fi
run ip link del ppp0
run ip link del wlan0
expect_links "" "both links gone"

if [ $failures -ne 0 ]; then
    echo "$failures case(s) failed"
    exit 1
fi
echo "all cases passed"
