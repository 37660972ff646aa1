# Shared by the scripts in scripts/: messages, Debian packages, configure and build.
# shellcheck shell=bash

KIVREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=scripts/lib/packages.sh
. "$KIVREL_ROOT/scripts/lib/packages.sh"

# The build folder; another one can be chosen with KIVREL_BUILD_DIR.
KIVREL_BUILD_DIR=${KIVREL_BUILD_DIR:-$KIVREL_ROOT/build}
KIVREL_BUILD_TYPE=${KIVREL_BUILD_TYPE:-RelWithDebInfo}
# Two jobs by default: the build machines have two cores. KIVREL_JOBS overrides.
KIVREL_JOBS=${KIVREL_JOBS:-2}

kivrel_say() { printf 'kivrel: %s\n' "$*" >&2; }
kivrel_die() {
    printf 'kivrel: error: %s\n' "$*" >&2
    exit 1
}

# Prints the packages among the arguments that are not installed.
kivrel_missing_packages() {
    local p status
    for p in "$@"; do
        status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null) || status=
        case $status in
            ii*) ;;
            *) printf '%s\n' "$p" ;;
        esac
    done
}

# Runs a command as root: directly when we are root, through sudo otherwise.
kivrel_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        kivrel_die "installing packages needs root; run as root or install sudo (command: $*)"
    fi
}

# kivrel_ensure_packages PKG... [-- OPTIONAL_PKG...]
# Installs the missing packages; the ones after "--" only where the distribution has them.
kivrel_ensure_packages() {
    local required=() optional=() seen_sep=0 p
    for p in "$@"; do
        if [ "$p" = -- ]; then
            seen_sep=1
        elif [ $seen_sep -eq 0 ]; then
            required+=("$p")
        else
            optional+=("$p")
        fi
    done
    command -v dpkg-query >/dev/null 2>&1 ||
        kivrel_die "this script installs Debian packages and needs a Debian or Ubuntu system"

    local missing=() missing_optional=()
    mapfile -t missing < <(kivrel_missing_packages "${required[@]}")
    if [ ${#optional[@]} -gt 0 ]; then
        mapfile -t missing_optional < <(kivrel_missing_packages "${optional[@]}")
    fi
    [ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ] && return 0

    kivrel_say "installing missing packages: ${missing[*]} ${missing_optional[*]}"
    export DEBIAN_FRONTEND=noninteractive
    kivrel_as_root apt-get update -q || kivrel_die "apt-get update failed"
    # Optional packages the distribution does not have are dropped before installing.
    local available=() 
    for p in "${missing_optional[@]}"; do
        if [ -n "$(apt-cache policy "$p" 2>/dev/null | awk '/Candidate:/ && $2 != "(none)" {print $2}')" ]; then
            available+=("$p")
        else
            kivrel_say "optional package $p is not available here; going on without it"
        fi
    done
    local to_install=("${missing[@]}" "${available[@]}")
    [ ${#to_install[@]} -eq 0 ] && return 0
    kivrel_as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${to_install[@]}" ||
        kivrel_die "could not install: ${to_install[*]}"
}

# Configures the build folder: the first time, or again to pick up newly installed tools.
kivrel_configure() {
    local generator=()
    if [ ! -f "$KIVREL_BUILD_DIR/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
        generator=(-G Ninja)
    fi
    kivrel_say "configuring $KIVREL_BUILD_DIR"
    # KIVREL_CMAKE_ARGS is split into words on purpose.
    # shellcheck disable=SC2086
    cmake -S "$KIVREL_ROOT" -B "$KIVREL_BUILD_DIR" "${generator[@]}" \
        -DCMAKE_BUILD_TYPE="$KIVREL_BUILD_TYPE" -DKIVREL_WERROR=ON ${KIVREL_CMAKE_ARGS:-} ||
        kivrel_die "cmake could not configure the build"
}

# Builds the given targets, or everything; configures first when the folder is new.
kivrel_build() {
    [ -f "$KIVREL_BUILD_DIR/CMakeCache.txt" ] || kivrel_configure
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    kivrel_say "building in $KIVREL_BUILD_DIR (${KIVREL_JOBS} jobs)"
    cmake --build "$KIVREL_BUILD_DIR" --parallel "$KIVREL_JOBS" "${targets[@]}" ||
        kivrel_die "the build failed"
}
