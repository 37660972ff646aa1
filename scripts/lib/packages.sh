# Debian packages the project needs, in one place. Add a package to the list that needs it;
# scripts/lib/common.sh installs whatever is missing.
# shellcheck shell=bash
# shellcheck disable=SC2034  # the lists are read by the scripts that source this file

# Compiler, build tools, Qt 6 and the test framework: enough to build every target.
KIVREL_BUILD_PACKAGES=(
    build-essential
    cmake
    ninja-build
    pkg-config
    qt6-base-dev
    qt6-qpa-plugins
    libxcb1-dev
    libgtest-dev
    libbenchmark-dev
    # The header of sd-bus, which the Linux program loads at run time to ask NetworkManager.
    libsystemd-dev
)

# What the desktop tests and the footprint benchmark drive the program with: a virtual X
# server, notification areas that work under it (trayer for XEmbed icons; xfce4-panel with
# xfwm4, its settings daemon and a session bus for StatusNotifierItem ones, read with gdbus),
# input and window tools, screenshots, a font with Chinese glyphs, and network namespaces for the
# metering tests.
KIVREL_DESKTOP_PACKAGES=(
    xvfb
    xauth
    trayer
    xfce4-panel
    xfwm4
    xfconf
    dbus-daemon
    libglib2.0-bin
    xdotool
    x11-utils
    imagemagick
    fonts-wqy-microhei
    iproute2
    util-linux
    procps
    strace
    # The Wayland test: a headless sway (XWayland on demand), waybar's tray, screenshots, Qt's
    # Wayland platform and keys through a virtual keyboard (the session bus and gdbus are above).
    sway
    xwayland
    waybar
    grim
    wtype
    qt6-wayland
    faketime
    dbus
    dunst
    python3-dbus
    python3-gi
    # The networks test: a NetworkManager stand-in on a private system bus; the idle guard's
    # test: a notification server with buttons, mocked on the session bus.
    python3-dbusmock
)

# Other test tools: clang's libFuzzer for the timer.ini fuzz smoke test, the checker of the
# menu entry, and for the usage report a headless browser, an HTML5 checker and a PDF reader.
KIVREL_TEST_PACKAGES=(
    clang
    desktop-file-utils
    python3
    chromium
    tidy
    poppler-utils
)

# Installed when the distribution has them; the build leaves out what needs a missing one.
KIVREL_OPTIONAL_PACKAGES=(
    libclang-rt-dev
)

# Making the Debian package (scripts/package.sh deb): cpack's dependency computation needs file and
# dpkg-shlibdeps; lintian checks the result.
KIVREL_DEB_PACKAGES=(
    dpkg-dev
    file
    lintian
)

# Making the portable Windows zip (scripts/package.sh zip): the mingw-w64 cross compiler.
KIVREL_ZIP_PACKAGES=(
    g++-mingw-w64-x86-64-posix
    cmake
    ninja-build
    unzip
    googletest
)

# Running the program on a machine that has a display of its own.
KIVREL_RUN_PACKAGES=(
    fonts-wqy-microhei
    qt6-wayland
)
