# Runs inside a network namespace made for one desktop test (unshare -n, or unshare -rn for a
# normal user): lays out the links and routes asked for, then becomes the program. The namespace
# is private, so nothing reaches the host's network, and it disappears with the program.
#   netns_exec.sh online|offline -- PROGRAM [ARG...]
#     online   a veth pair, up with carrier, 10.200.0.2/24, default route via 10.200.0.1
#     offline  the same links and address, no default route
#     two:ppp0, two:wlan0, two:none
#              two veth pairs, ppp0 (10.200.0.2/24) and wlan0 (10.201.0.2/24), the default route
#              via the one named, or none
#   With NETNS_CONTROL naming a FIFO, a loop in the namespace (with its root, outside the
#   program's user namespace) runs each line written to it as a bash command, output in
#   FIFO.out, exit status in FIFO.rc, until the program ends: tests move routes and ask the
#   program's own probe while it runs.
set -eu
mode=$1
shift
[ "${1:-}" = -- ] && shift

# link NAME PEER SUBNET: a veth pair, up, NAME with address SUBNET.2/24.
link() {
    ip link add "$1" type veth peer name "$2"
    ip link set "$1" up
    ip link set "$2" up
    ip addr add "$3.2/24" dev "$1"
}
ip link set lo up
first=veth0
case $mode in
    online | offline) link veth0 veth1 10.200.0 ;;
    two:*)
        link ppp0 vpeer0 10.200.0
        link wlan0 vpeer1 10.201.0
        first=ppp0
        ;;
esac
case $mode in
    online | two:ppp0) ip route add default via 10.200.0.1 ;;
    two:wlan0) ip route add default via 10.201.0.1 ;;
    offline | two:none) ;;
    *)
        echo "netns_exec.sh: unknown mode $mode" >&2
        exit 2
        ;;
esac
# Carrier reaches the flags a moment after the links come up; wait for it (at most 5 s).
n=0
until ip -o link show dev $first | grep -q 'state UP'; do
    n=$((n + 1))
    if [ $n -gt 100 ]; then
        echo "netns_exec.sh: $first never came up" >&2
        ip -o link show >&2
        exit 1
    fi
    sleep 0.05
done
echo "netns ($mode):"
ip -o link show | sed 's/^/  /'
ip route show | sed 's/^/  /'
if [ -n "${NETNS_CONTROL:-}" ]; then
    program=$$
    (
        exec 3<>"$NETNS_CONTROL" </dev/null
        # (A read that times out keeps what it had read of a line: the rest follows.)
        line=
        while kill -0 $program 2>/dev/null; do
            if ! read -r -t 1 part <&3; then
                line+=$part
                continue
            fi
            line+=$part
            rc=0
            bash -c "$line" >"$NETNS_CONTROL.out" 2>&1 || rc=$?
            echo $rc >"$NETNS_CONTROL.rc.new"
            mv "$NETNS_CONTROL.rc.new" "$NETNS_CONTROL.rc"
            line=
        done
    ) &
fi
exec "$@"
