# Runs a program with single-instance locks of the test's own: inside a mount namespace made for
# it (unshare -m), a folder of the test's, $KIVREL_TEST_LOCKS, stands in for /run/lock and
# /run/user (with the user's private runtime folder in it), where Kivrel keeps its locks. Copies
# started with the same folder meet there; tests running side by side, and a Kivrel the user runs
# on this machine, never do.
#   own_locks.sh PROGRAM [ARG...]
# KIVREL_TEST_LOCK_UID names the user the program runs as (by default the one running this).
set -eu
locks=${KIVREL_TEST_LOCKS:?}
uid=${KIVREL_TEST_LOCK_UID:-$(id -u)}
mkdir -p "$locks/lock" "$locks/user/$uid"
chmod 1777 "$locks/lock"
chmod 755 "$locks/user"
chown "$uid" "$locks/user/$uid"
chmod 700 "$locks/user/$uid"
mount --bind "$locks/lock" /run/lock
if [ -d /run/user ]; then mount --bind "$locks/user" /run/user; fi
# A normal user's namespace maps the user to root (unshare -r). The program goes back to the
# user's own uid and gid in a user namespace of its own (the network and the mounts stay these):
# it must meet the session bus, which checks the uid, as the user it is.
read -r _ real_uid _ </proc/self/uid_map
read -r _ real_gid _ </proc/self/gid_map
[ "$real_uid" = 0 ] || exec unshare --user --map-user="$real_uid" --map-group="$real_gid" -- "$@"
exec "$@"
