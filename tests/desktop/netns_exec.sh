# Runs inside a network namespace made for one desktop test (unshare -n, or unshare -rn for a
# normal user): lays out the links and routes asked for, then becomes the program. The namespace
# is private, so nothing reaches the host's network, and it disappears with the program.
#   netns_exec.sh online|offline -- PROGRAM [ARG...]
#     online   a veth pair, up with carrier, 10.200.0.2/24, default route via 10.200.0.1
#     offline  the same links and address, no default route
set -eu
mode=$1
shift
[ "${1:-}" = -- ] && shift

ip link set lo up
ip link add veth0 type veth peer name veth1
ip link set veth0 up
ip link set veth1 up
ip addr add 10.200.0.2/24 dev veth0
case $mode in
    online) ip route add default via 10.200.0.1 ;;
    offline) ;;
    *)
        echo "netns_exec.sh: unknown mode $mode" >&2
        exit 2
        ;;
esac
# Carrier reaches the flags a moment after the links come up; wait for it (at most 5 s).
n=0
until ip -o link show dev veth0 | grep -q 'state UP'; do
    n=$((n + 1))
    if [ $n -gt 100 ]; then
        echo "netns_exec.sh: veth0 never came up" >&2
        ip -o link show >&2
        exit 1
    fi
    sleep 0.05
done
echo "netns ($mode):"
ip -o link show | sed 's/^/  /'
ip route show | sed 's/^/  /'
exec "$@"
