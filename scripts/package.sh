#!/usr/bin/env bash
# Builds the packages in Release, warnings as errors, and checks the Debian one with lintian:
#
#   scripts/package.sh [deb] [zip]        (both by default)
#
#   deb  kivrel_<version>_<arch>.deb: configured in build-package/ with Debian's hardening flags
#        (dpkg-buildflags), built, packed by cpack (Depends from dpkg-shlibdeps), then lintian,
#        which must report no error.
#   zip  Kivrel-<version>-win64.zip, the portable Windows folder: cross-built with mingw-w64 in
#        build-package-win32/ and packed by cpack.
#
# Installs the Debian packages that are missing first (with sudo when not root). The packages are
# copied to dist/ (KIVREL_DIST_DIR). Exits non-zero when a build fails or lintian reports an error.
set -euo pipefail

# shellcheck source=scripts/lib/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

want_deb=0
want_zip=0
[ $# -eq 0 ] && set -- deb zip
for what in "$@"; do
    case $what in
        deb) want_deb=1 ;;
        zip) want_zip=1 ;;
        *) kivrel_die "unknown package '$what' (deb or zip)" ;;
    esac
done

dist=${KIVREL_DIST_DIR:-$KIVREL_ROOT/dist}
packages=()
[ $want_deb = 1 ] && packages+=("${KIVREL_BUILD_PACKAGES[@]}" "${KIVREL_DEB_PACKAGES[@]}")
[ $want_zip = 1 ] && packages+=("${KIVREL_ZIP_PACKAGES[@]}")
kivrel_ensure_packages "${packages[@]}"
mkdir -p "$dist"

# pack BUILD_DIR CPACK_GENERATOR PATTERN CMAKE_ARG...: configures and builds everything in Release,
# warnings as errors, runs cpack and copies the package matching PATTERN to $dist.
pack() {
    local build=$1 kind=$2 pattern=$3
    shift 3
    kivrel_say "configuring $build (Release)"
    cmake -S "$KIVREL_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIVREL_WERROR=ON \
        "$@" >"$build.configure.log" 2>&1 || {
        cat "$build.configure.log" >&2
        kivrel_die "cmake could not configure $build"
    }
    rm -f "$build.configure.log"
    kivrel_say "building in $build (${KIVREL_JOBS} jobs)"
    cmake --build "$build" --parallel "$KIVREL_JOBS" || kivrel_die "the build in $build failed"
    find "$build" -maxdepth 1 -name "$pattern" -delete
    (cd "$build" && cpack -G "$kind") || kivrel_die "cpack -G $kind failed in $build"
    local made
    made=$(find "$build" -maxdepth 1 -name "$pattern" -print -quit)
    [ -n "$made" ] || kivrel_die "cpack made no $pattern in $build"
    cp "$made" "$dist/"
    kivrel_say "made $dist/$(basename "$made")"
    PACKED=$dist/$(basename "$made")
}

status=0
if [ $want_deb = 1 ]; then
    # Debian's hardening (all of it, bindnow too) and reproducibility flags, as a Debian build
    # would use them.
    export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
    pack "$KIVREL_ROOT/build-package" DEB 'kivrel_*.deb' \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
        -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
    deb=$PACKED
    dpkg-deb --field "$deb" >&2
    dpkg-deb --contents "$deb" >&2
    kivrel_say "lintian $(basename "$deb"):"
    lintian --info --fail-on error "$deb" >&2 || {
        kivrel_say "lintian reports errors"
        status=1
    }
fi
if [ $want_zip = 1 ]; then
    pack "$KIVREL_ROOT/build-package-win32" ZIP 'Kivrel-*.zip' \
        -DCMAKE_TOOLCHAIN_FILE="$KIVREL_ROOT/cmake/mingw-w64-x86_64.cmake"
    unzip -l "$PACKED" >&2 2>/dev/null || true
fi
exit $status
