#!/bin/sh
# Takes the README's screenshots from the program as it is built now, in a copy of the shipped
# start directory: the intro, registration, a question, the result, the help and background
# windows, the teacher's window with its banks and its results tab over a log of earlier results
# and a lesson taken through the quiz's engine (its marks, per-question figures and findings; also
# at the size of a 1024 x 768 screen), and the effect label gallery. Uses a virtual X display when
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

# A lesson of three groups in the log the quiz appends to (CP1251, CR LF), one record cut short.
results_log() {
    printf '\r\n'
    i=0
    for pupil in "Иванов Иван" "Петрова Мария" "Сидоров Пётр" "Кузнецова Анна" "Смирнов Олег" \
        "Попова Дарья" "Васильев Егор" "Новикова Ульяна" "Фёдоров Глеб" "Морозова Вера" \
        "Волков Тимур" "Алексеева Софья" "Лебедев Марк" "Козлова Ева" "Орлов Данил" \
        "Зайцева Алиса" "Соколов Лев" "Павлова Ника" "Егоров Иван" "Белова Зоя" "Титов Роман"; do
        case $((i % 3)) in
        0) grade=7 group=7А ;;
        1) grade=7 group=7Б ;;
        *) grade=10 group=10А ;;
        esac
        printf '\r\n%s\r\nКласс: %s\r\nЮГП: %s\r\nРезультат: %s\r\n' \
            "$pupil" "$grade" "$group" $(((i * 7 + 5) % 19 + 3))
        i=$((i + 1))
    done
    printf '\r\nГусев Артём\r\nКласс: 7\r\n'
}
results_log | iconv -f UTF-8 -t CP1251 >"$start/Results.txt"

cd "$start"
display "$build/tools/ortus-screenshots" "$output"
display "$build/tools/ortus-gallery" --png "$output/gallery.png"

for picture in intro registration question result help background teacher results \
    results-questions results-findings teacher-1024 results-1024 gallery; do
    if [ ! -s "$output/$picture.png" ]; then
        echo "$output/$picture.png was not written" >&2
        exit 1
    fi
done
echo "Screenshots written to $output"
