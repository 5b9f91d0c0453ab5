#!/bin/sh
# Checks the program as it is installed: the files and where they go, the menu entry, the icons,
# the launcher with its start directory, and the Debian package with its dependencies.
# Changes nothing outside a temporary folder.
#
# Usage: check-package.sh BUILD_DIR VERSION
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR VERSION" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
version=$2
source=$(cd "$(dirname "$0")/.." && pwd)

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate cpack; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is missing: run scripts/install-deps.sh" >&2
        exit 1
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

check() {
    check_name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok - $check_name"
    else
        failed=$((failed + 1))
        echo "FAIL - $check_name"
    fi
}

# Width and height of a PNG file, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ printf "%dx%d", $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }'
}

shipped_files="Ortus.avi Ortus00.ini Fon.jpg Results.txt Vop5.dat Vop67.dat Vop89.dat Vop1011.dat"
icon_sizes="16 22 24 32 48 64 128 256"
teacher_tools=""
for tool in ortus-bank ortus-results; do
    if [ -x "$build/tools/$tool" ]; then
        teacher_tools="$teacher_tools $tool"
    fi
done

# --- The installed tree -------------------------------------------------------------------------

prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; exit 1; }

installed_layout() {
    ok=0
    for file in bin/ortus bin/ortus-metafile bin/ortus-teacher bin/ortus-launcher $(for t in $teacher_tools; do echo "bin/$t"; done); do
        [ -x "$prefix/$file" ] || { echo "  not installed or not executable: $file"; ok=1; }
    done
    for file in $shipped_files; do
        [ -f "$prefix/share/ortus/start/$file" ] || { echo "  not installed: $file"; ok=1; }
    done
    for entry in ortus ortus-teacher; do
        [ -f "$prefix/share/applications/$entry.desktop" ] || { echo "  no menu entry $entry"; ok=1; }
    done
    return $ok
}
check "the program, its metafile helper, the teacher's window, the launcher and the teacher's tools go to bin/, the start directory to share/ortus/start/" installed_layout

helper_draws() {
    "$prefix/bin/ortus-metafile" 16384 67108864 268435456 2048 \
        <"$source/fuzz/corpus/metafile/rectangle-placeable.wmf" 2>/dev/null >"$work/helper.png" &&
        [ "$(od -An -c -N4 "$work/helper.png" | tr -d ' ')" = "211PNG" ]
}
check "the installed metafile helper draws a WMF" helper_draws

helper_usage() {
    for arguments in "" "1 2 3" "16384 67108864 268435456 none" "0 1 1 1"; do
        status=0
        # shellcheck disable=SC2086
        "$prefix/bin/ortus-metafile" $arguments </dev/null >/dev/null 2>"$work/helper.err" || status=$?
        [ "$status" -eq 2 ] || { echo "  '$arguments': exit status $status, expected 2"; return 1; }
        grep -q usage "$work/helper.err" || { echo "  '$arguments': no usage message"; return 1; }
    done
}
check "the metafile helper refuses a wrong command line with its usage" helper_usage

start_directory_whole() {
    diff -r "$source/data" "$prefix/share/ortus/start"
}
check "the installed start directory is the shipped data/ byte for byte" start_directory_whole

# Debian's machine-readable format, naming GPL-2.0-or-later for every file.
copyright_file() {
    copyright=$1/share/doc/ortus/copyright
    [ -f "$copyright" ] || { echo "  no $copyright"; return 1; }
    [ "$(sed -n 1p "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
        { echo "  not in the machine-readable format"; return 1; }
    [ "$(grep -c -x 'License: GPL-2+' "$copyright")" -ge 2 ] && grep -q -x 'Files: \*' "$copyright" ||
        { echo "  no GPL-2+ for every file"; return 1; }
}
check "the copyright file names GPL-2+ in Debian's machine-readable format" copyright_file "$prefix"

only_teacher_tools() {
    ok=0
    for file in "$prefix"/bin/*; do
        case ${file##*/} in
        ortus | ortus-metafile | ortus-teacher | ortus-launcher | ortus-bank | ortus-results) ;;
        *) echo "  installed, but only for developers: ${file##*/}"; ok=1 ;;
        esac
    done
    return $ok
}
check "generators, gallery and screenshots are not installed" only_teacher_tools

icons_in_every_size() {
    ok=0
    for size in $icon_sizes; do
        icon=$prefix/share/icons/hicolor/${size}x${size}/apps/ortus.png
        if [ ! -f "$icon" ]; then
            echo "  missing: $icon"
            ok=1
        elif [ "$(png_size "$icon")" != "${size}x${size}" ]; then
            echo "  $icon is $(png_size "$icon")"
            ok=1
        fi
    done
    return $ok
}
check "the icon is installed in the hicolor theme in every size, each PNG of its size" icons_in_every_size

desktop=$prefix/share/applications/ortus.desktop
check "the menu entry passes desktop-file-validate" desktop-file-validate "$desktop"

desktop_entry_fields() {
    ok=0
    for line in "Name=Ортус 2000" "Exec=ortus-launcher" "Icon=ortus" "Type=Application"; do
        grep -q -x "$line" "$desktop" || { echo "  no line: $line"; ok=1; }
    done
    grep -q -x 'Categories=.*Education;.*' "$desktop" || { echo "  not in Education"; ok=1; }
    # Cyrillic letters start with the byte D0 or D1 in UTF-8, whatever the locale.
    LC_ALL=C grep -q "$(printf '^Comment=.*[\320\321]')" "$desktop" || { echo "  no Russian comment"; ok=1; }
    return $ok
}
check "the menu entry is named Ортус 2000, in Education, and starts the launcher" desktop_entry_fields

teacher_desktop=$prefix/share/applications/ortus-teacher.desktop
check "the teacher's menu entry passes desktop-file-validate" desktop-file-validate "$teacher_desktop"

teacher_entry_fields() {
    ok=0
    for line in "Name=Ортус 2000 — учитель" "Exec=ortus-launcher --teacher" "Icon=ortus"; do
        grep -q -x "$line" "$teacher_desktop" || { echo "  no line: $line"; ok=1; }
    done
    grep -q -x 'Categories=.*Education;.*' "$teacher_desktop" || { echo "  not in Education"; ok=1; }
    return $ok
}
check "the teacher's menu entry is named Ортус 2000 — учитель, in Education, and starts the launcher with --teacher" teacher_entry_fields

# --- The icon tool --------------------------------------------------------------------------------

icon_tool() {
    expected=$1
    shift
    status=0
    "$build/tools/ortus-make-icons" "$@" >"$work/icon.out" 2>"$work/icon.err" || status=$?
    [ "$status" -eq "$expected" ] || { echo "  exit status $status, expected $expected"; return 1; }
    [ -s "$work/icon.err" ] || { echo "  no message"; return 1; }
}
check "the icon tool without arguments prints its usage" icon_tool 2
check "the icon tool refuses size 0" icon_tool 2 "$work/icons" 16 0
check "the icon tool refuses a size that is not a number" icon_tool 2 "$work/icons" 16x16
check "the icon tool refuses a size too large to draw" icon_tool 2 "$work/icons" 5000
: >"$work/a file"
check "the icon tool reports a folder it cannot write" icon_tool 1 "$work/a file/icons" 16

# --- The launcher ---------------------------------------------------------------------------------

# The program replaced by a stand-in that says where and how it was started.
ran=$work/ran
cat >"$prefix/bin/ortus" <<EOF
#!/bin/sh
{ echo "\$\$"; echo "\$#"; pwd -P; } >"$ran"
EOF
chmod +x "$prefix/bin/ortus"
sed 's/^{ echo/{ echo teacher; echo/' "$prefix/bin/ortus" >"$prefix/bin/ortus-teacher"

home="$work/дом учителя"
mkdir -p "$home"
launcher_status=0

# Runs the launcher in a clean environment with the given variables; records its exit status.
launch() {
    rm -f "$ran"
    launcher_status=0
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_DIRS="$work/xdg" "$@" \
        "$prefix/bin/ortus-launcher" 2>"$work/launcher.err" &
    launcher_pid=$!
    wait "$launcher_pid" || launcher_status=$?
}

# The program was exec'd by the launcher (same process), without arguments, in the folder.
started_in() {
    [ "$launcher_status" -eq 0 ] || { echo "  launcher exit status $launcher_status"; cat "$work/launcher.err"; return 1; }
    [ -f "$ran" ] || { echo "  the program was not started"; return 1; }
    [ "$(sed -n 1p "$ran")" = "$launcher_pid" ] || { echo "  the program was not exec'd"; return 1; }
    [ "$(sed -n 2p "$ran")" = 0 ] || { echo "  the program got arguments"; return 1; }
    [ "$(sed -n 3p "$ran")" = "$(cd "$1" && pwd -P)" ] || { echo "  started in $(sed -n 3p "$ran")"; return 1; }
}

refused() {
    [ "$launcher_status" -eq "$1" ] || { echo "  launcher exit status $launcher_status, expected $1"; return 1; }
    [ ! -f "$ran" ] || { echo "  the program was started"; return 1; }
    grep -q -F "$2" "$work/launcher.err" || { echo "  no message naming $2:"; cat "$work/launcher.err"; return 1; }
}

same_as_shipped() {
    diff -r "$prefix/share/ortus/start" "$1"
}

no_partial_copies() {
    leftovers=$(find "$1" -name '*.ortus-partial-*')
    [ -z "$leftovers" ] || { echo "  left behind: $leftovers"; return 1; }
}

default="$home/Ортус 2000"
launch
check "first start: the program runs in ~/Ортус 2000" started_in "$default"
check "first start: ~/Ортус 2000 is a full copy of the shipped start directory" same_as_shipped "$default"

printf 'settings of the teacher\r\n' >"$default/Ортус00.ini.mine"
printf 'teacher settings\r\n' >"$default/Ortus00.ini"
printf '\r\nИванов\r\n' >"$default/Results.txt"
printf 'own bank source\n' >"$default/banks/Vop5.txt"
rm "$default/Vop5.dat" "$default/banks/Vop67.txt"
launch
check "later start: the program runs in the same folder" started_in "$default"
launch_teacher() {
    rm -f "$ran"
    launcher_status=0
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_DIRS="$work/xdg" \
        "$prefix/bin/ortus-launcher" --teacher 2>"$work/launcher.err" || launcher_status=$?
    [ "$launcher_status" -eq 0 ] || { echo "  launcher exit status $launcher_status"; return 1; }
    [ "$(sed -n 1p "$ran")" = teacher ] || { echo "  the quiz was started instead"; return 1; }
    [ "$(sed -n 3p "$ran")" = 0 ] || { echo "  the teacher's window got arguments"; return 1; }
    [ "$(sed -n 4p "$ran")" = "$(cd "$default" && pwd -P)" ] || { echo "  started in $(sed -n 4p "$ran")"; return 1; }
}
check "--teacher starts the teacher's window in the same folder" launch_teacher
user_files_kept() {
    [ "$(cat "$default/Ortus00.ini")" = "$(printf 'teacher settings\r')" ] &&
        [ "$(cat "$default/Results.txt")" = "$(printf '\r\nИванов\r')" ] &&
        [ "$(cat "$default/banks/Vop5.txt")" = "own bank source" ] &&
        [ -f "$default/Ортус00.ini.mine" ]
}
check "later start: the user's settings, results and banks are not overwritten" user_files_kept
missing_files_restored() {
    cmp "$prefix/share/ortus/start/Vop5.dat" "$default/Vop5.dat" &&
        cmp "$prefix/share/ortus/start/banks/Vop67.txt" "$default/banks/Vop67.txt"
}
check "later start: shipped files that went missing are copied again" missing_files_restored
check "later start: no partial copies are left behind" no_partial_copies "$default"

mkdir -p "$home/.config/ortus"
printf '# Папка класса\n\n  ~/Общая папка/7 класс  \r\n' >"$home/.config/ortus/start-directory"
launch
check "user setting: the program runs in the folder named there" started_in "$home/Общая папка/7 класс"
check "user setting: the folder is made from the shipped one" same_as_shipped "$home/Общая папка/7 класс"

mkdir -p "$work/xdg/ortus" "$work/сеть/Ортус"
printf '%s\n' "$work/сеть/Ортус" >"$work/xdg/ortus/start-directory"
launch
check "a user setting comes before the setting for all users" started_in "$home/Общая папка/7 класс"

rm "$home/.config/ortus/start-directory"
printf 'own bank\r\n' >"$work/сеть/Ортус/Vop5.dat"
launch XDG_CONFIG_DIRS="$work/nowhere:$work/xdg"
check "setting for all users: the program runs in the shared folder" started_in "$work/сеть/Ортус"
shared_bank_kept() {
    [ "$(cat "$work/сеть/Ортус/Vop5.dat")" = "$(printf 'own bank\r')" ] &&
        cmp "$prefix/share/ortus/start/Ortus.avi" "$work/сеть/Ортус/Ortus.avi"
}
check "setting for all users: the shared folder keeps its bank and gets what it lacks" shared_bank_kept

launch XDG_CONFIG_HOME="$work/config" ORTUS_START_DIRECTORY="$work/из переменной"
check "the environment variable comes before every setting file" started_in "$work/из переменной"

mkdir -p "$work/config/ortus"
printf 'relative/папка\n' >"$work/config/ortus/start-directory"
launch XDG_CONFIG_HOME="$work/config"
check "XDG_CONFIG_HOME is honoured; a relative path is taken from the home folder" started_in "$home/relative/папка"

: >"$work/config/ortus/start-directory"
launch XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/nowhere"
check "an empty setting file leaves the default folder" started_in "$default"

mkdir -p "$work/elsewhere"
ln -s "$prefix/bin/ortus-launcher" "$work/elsewhere/ortus-launcher"
rm -f "$ran"
launcher_status=0
env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_DIRS="$work/nowhere" \
    "$work/elsewhere/ortus-launcher" 2>"$work/launcher.err" &
launcher_pid=$!
wait "$launcher_pid" || launcher_status=$?
check "a launcher reached through a symbolic link finds the program beside its target" started_in "$default"

launch ORTUS_START_DIRECTORY="$work/a file/Ортус 2000"
check "a folder that cannot be created is reported and the program is not started" \
    refused 1 "$work/a file/Ортус 2000"

launch ORTUS_START_DIRECTORY="$work/a file"
check "a file in place of the folder is reported and the program is not started" refused 1 "$work/a file"

mkdir "$work/blocked"
: >"$work/blocked/banks"
launch ORTUS_START_DIRECTORY="$work/blocked"
check "a file that cannot be copied: the program still starts" started_in "$work/blocked"
copy_failure_reported() {
    grep -q -F "banks" "$work/launcher.err" || { echo "  no message naming banks:"; cat "$work/launcher.err"; return 1; }
    cmp "$prefix/share/ortus/start/Ortus.avi" "$work/blocked/Ortus.avi"
}
check "a file that cannot be copied is reported, and the others are copied" copy_failure_reported

rm -f "$ran"
launcher_status=0
env -i PATH=/usr/bin:/bin HOME="$home" "$prefix/bin/ortus-launcher" extra 2>"$work/launcher.err" ||
    launcher_status=$?
check "arguments are refused: the program takes none" refused 2 "ortus-launcher"

# --- The Debian package ---------------------------------------------------------------------------

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
package=$(find "$work/package" -maxdepth 1 -name 'ortus_*.deb')
architecture=$(dpkg --print-architecture)

package_named() {
    [ "$(basename "$package")" = "ortus_${version}_$architecture.deb" ] ||
        { echo "  package file: $package"; return 1; }
}
check "the package file is ortus_${version}_$architecture.deb" package_named

field_is() {
    value=$(dpkg-deb -f "$package" "$1")
    [ "$value" = "$2" ] || { echo "  $1: $value"; return 1; }
}
check "Package: ortus" field_is Package ortus
check "Version: $version" field_is Version "$version"
check "Section: education" field_is Section education
check "Architecture: $architecture" field_is Architecture "$architecture"

maintainer_named() {
    dpkg-deb -f "$package" Maintainer | grep -q '.* <.*@.*>'
}
check "the package names its maintainer with an address" maintainer_named

depends_on() {
    depends=$(dpkg-deb -f "$package" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
    for name in "$@"; do
        echo "$depends" | grep -q -x "$name" || { echo "  no dependency on $name: $depends"; return 1; }
    done
}
check "the package depends on the fonts, the metafile libraries and the libraries dpkg-shlibdeps found" \
    depends_on fonts-liberation fonts-urw-base35 libwmf-0.2-7 libemf2svg1 libc6 libqt6core6 libqt6gui6 \
    libqt6widgets6 libqt6svg6

recommends_xwayland() {
    dpkg-deb -f "$package" Recommends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -q -x xwayland
}
check "the package recommends Xwayland, through which the quiz runs on a Wayland session" \
    recommends_xwayland

dpkg-deb -c "$package" | awk '{ print $1, $6 }' >"$work/contents"
# Every named path is in the package with the given permissions.
packaged() {
    mode=$1
    shift
    ok=0
    for path in "$@"; do
        grep -q -x -F -e "$mode ./usr/$path" "$work/contents" || { echo "  not in the package as $mode: $path"; ok=1; }
    done
    return $ok
}
check "the package holds the program, its metafile helper, the teacher's window and the launcher, executable, in /usr/bin" packaged \
    -rwxr-xr-x bin/ortus bin/ortus-metafile bin/ortus-teacher bin/ortus-launcher $(for t in $teacher_tools; do echo "bin/$t"; done)
check "the package holds the start directory, readable, in /usr/share/ortus/start" packaged \
    -rw-r--r-- $(for f in $shipped_files; do echo "share/ortus/start/$f"; done)
check "the package holds the menu entries, the icons and the copyright file" packaged -rw-r--r-- \
    share/applications/ortus.desktop share/applications/ortus-teacher.desktop share/doc/ortus/copyright \
    $(for s in $icon_sizes; do echo "share/icons/hicolor/${s}x$s/apps/ortus.png"; done)
nothing_outside_usr() {
    outside=$(awk '{ print $2 }' "$work/contents" | grep -v -e '^\./$' -e '^\./usr/' || true)
    [ -z "$outside" ] || { echo "  outside /usr: $outside"; return 1; }
    ! grep -q -e '/usr/local' -e 'ortus-make-' -e 'ortus-gallery' -e 'ortus-screenshots' "$work/contents"
}
check "the package installs under /usr only, without the developers' tools" nothing_outside_usr

binaries_stripped() {
    mkdir "$work/unpacked"
    dpkg-deb -x "$package" "$work/unpacked"
    ! readelf -S "$work/unpacked/usr/bin/ortus" | grep -q -e '\.debug_info' -e '\.symtab'
}
check "the packaged program is stripped" binaries_stripped

# apt only simulates here: it resolves the dependencies as `apt install ./ortus_*.deb` would.
if command -v apt-get >/dev/null 2>&1; then
    installable() {
        if ! apt-get install -s -q "$package" >"$work/apt.log" 2>&1 ||
            ! grep -q '^Inst ortus ' "$work/apt.log"; then
            cat "$work/apt.log"
            return 1
        fi
    }
    check "apt can install the package with its dependencies (simulated)" installable
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
