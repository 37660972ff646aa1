#!/bin/sh
# The program's front: the options that print and end run without the window module (and so
# without Qt), a start in the notification area needs it. The program is copied alone, with a
# timer.ini, into a folder of its own.
#   front_test.sh PROGRAM
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/kivrel-front.XXXXXX")
trap 'rm -rf "$dir"' EXIT
cp "$1" "$dir/kivrel"
: >"$dir/timer.ini"
failed=0

# Only the C library and the loader come with the program; nothing of Qt or the C++ runtime.
needed=$(readelf -d "$dir/kivrel" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
case $needed in
    *Qt* | *stdc++* | *gcc_s* | *libm.*) echo "FAIL: the program needs $needed" && failed=1 ;;
esac

# args | exit status | what standard output or error holds
while IFS='|' read -r args want text; do
    # shellcheck disable=SC2086 # the arguments split on purpose
    env -u DISPLAY -u WAYLAND_DISPLAY "$dir/kivrel" $args >"$dir/out" 2>&1
    got=$?
    if [ "$got" != "$want" ] || ! grep -q -- "$text" "$dir/out"; then
        echo "FAIL: kivrel $args: status $got, wanted $want and '$text' in:"
        sed 's/^/  /' "$dir/out"
        failed=1
    else
        echo "ok   kivrel $args"
    fi
done <<'TABLE'
--status|0|计费月为
--status --json|0|"settings_file"
--version|0|^Kivrel 1\.0\.0\.
--help|0|^Usage: kivrel
-platform offscreen --status|0|计费月为
--json|2|--json 只能与 --status 同用
|2|kivrel-window\.so
-platform offscreen|2|kivrel-window\.so
TABLE
exit $failed
