#!/bin/sh
# Installs the Debian packages the project needs that are not there yet.
# Silent and quick when everything is present; `apt-get update` runs once, only when something is missing.
set -eu

PACKAGES="
cmake
make
ccache
g++
pkg-config
qt6-base-dev
qt6-base-dev-tools
libgl-dev
fonts-liberation
clang
clang-format
qt6-svg-dev
libwmf-dev
libexpat1-dev
libjpeg-dev
libemf2svg-dev
qt6-charts-dev
qt6-translations-l10n
libqt6opengl6-dev
poppler-utils
fonts-urw-base35
dpkg-dev
debhelper
lintian
appstream
man-db
desktop-file-utils
libbenchmark-dev
xvfb
xauth
python3
xdotool
x11-utils
imagemagick
openbox
xfwm4
xfconf
dbus
kwin-x11
kwin-style-breeze
mutter
xwayland
wmctrl
at-spi2-core
python3-pyatspi
"

missing=""
for package in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
else
    as_root="sudo"
fi

echo "Installing:$missing"
$as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
# shellcheck disable=SC2086
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
