#!/usr/bin/env bash
# Builds Kivrel and runs every test: the core and adapter tests, the fuzz smoke run, and the
# desktop tests, which drive the real program under a virtual X server of their own.
# Installs the Debian packages that are missing first (with sudo when not root).
#
#   scripts/test.sh [CTEST_ARG...]      e.g. scripts/test.sh -L desktop
#
# KIVREL_BUILD_DIR (default: build) chooses the build folder; KIVREL_TEST_JOBS the number of tests
# run at once (default 2). Screenshots and logs of the desktop tests are kept in
# <build>/tests/desktop/artifacts/.
set -euo pipefail

# shellcheck source=scripts/lib/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

kivrel_ensure_packages "${KIVREL_BUILD_PACKAGES[@]}" "${KIVREL_DESKTOP_PACKAGES[@]}" \
    "${KIVREL_TEST_PACKAGES[@]}" -- "${KIVREL_OPTIONAL_PACKAGES[@]}"
# Configure again each time: tools installed since the last run are then found.
kivrel_configure
kivrel_build

# Every tool is installed now: a desktop test that finds one missing fails instead of skipping.
export KIVREL_DESKTOP_REQUIRED=1

kivrel_say "running the tests; the desktop tests keep screenshots and logs in" \
    "$KIVREL_BUILD_DIR/tests/desktop/artifacts"
cd "$KIVREL_BUILD_DIR"
exec ctest --output-on-failure --no-tests=error --parallel "${KIVREL_TEST_JOBS:-2}" "$@"
