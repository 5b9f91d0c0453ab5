#!/bin/sh
# Takes the README's screenshots from the program as it is built now, in a copy of the shipped
# start directory: the intro, registration, a question, the result, the help and background
# windows, the teacher's window, and the effect label gallery. Uses a virtual X display when
# xvfb-run is there.
#
# Usage: take-screenshots.sh BUILD_DIR OUTPUT_FOLDER
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR OUTPUT_FOLDER" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$2"
output=$(cd "$2" && pwd)

start=$(mktemp -d)
trap 'rm -rf "$start"' EXIT
cp -R "$source/data/." "$start/"

if command -v xvfb-run >/dev/null 2>&1; then
    display() {
        QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
    }
else
    echo "xvfb-run not found (Debian package xvfb): rendering offscreen" >&2
    display() {
        QT_QPA_PLATFORM=offscreen "$@"
    }
fi

cd "$start"
display "$build/tools/ortus-screenshots" "$output"
display "$build/tools/ortus-gallery" --png "$output/gallery.png"
for picture in intro registration question result help background teacher gallery; do
    if [ ! -s "$output/$picture.png" ]; then
        echo "$output/$picture.png was not written" >&2
        exit 1
    fi
done
echo "Screenshots written to $output"
