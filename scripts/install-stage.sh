#!/usr/bin/env bash
# The program as it is installed. `make install` into a temporary prefix: the tree, the icons drawn
# at every size, the manual pages, the menu entry and the desktop metadata validated, the .kez type
# handled by the program as xdg-mime sees it, and the installed program, started as its menu entry
# starts it with a sample file, converts it. Then `make package` (dpkg-buildpackage): debian/ agrees
# with the project, lintian finds no error, warning, hardening or copyright tag in the .deb, its
# dependencies are met here, and it installs into an empty root of its own (dpkg --root), converts
# the sample from there, shows its window under the class its menu entry names, and removes cleanly.
# Closing line: "install: N passed, N failed".
set -uo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
id=ru.torvane.KezConverter
sample="Псалом 1 (cp1251).kez"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0

# check <what> <command...>: one check, its output shown only when it fails.
check()
{
    local what=$1
    shift
    if "$@" >"$scratch/output" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "install: FAILED: $what" >&2
        sed 's/^/  /' "$scratch/output" >&2
    fi
}

# The width and height a PNG's header gives, "WxH".
png_size()
{
    local bytes
    bytes=($(od -An -tu1 -j16 -N8 "$1"))
    echo "$(((bytes[2] << 8) | bytes[3]))x$(((bytes[6] << 8) | bytes[7]))"
}

# The installed tree under <usr>: the program in libexec beside its converter, reached through a
# link in bin (the program looks for the converter in its own folder, the link resolved); the
# menu entry, the type, the metadata, the icons at every size, the converter's documentation.
tree_is_complete()
{
    local usr=$1 size
    [ -L "$usr/bin/KezConverter" ] || { echo "bin/KezConverter is no link"; return 1; }
    [ "$(readlink -f "$usr/bin/KezConverter")" = "$(readlink -f "$usr/libexec/kezconverter/KezConverter")" ] ||
        { echo "bin/KezConverter does not lead to libexec/kezconverter/KezConverter"; return 1; }
    [ -x "$usr/libexec/kezconverter/KezConverter" ] && [ -x "$usr/libexec/kezconverter/kezcc" ] ||
        { echo "the program or its converter is missing from libexec/kezconverter"; return 1; }
    [ "$(readlink -f "$usr/bin/kezconv")" = "$(readlink -f "$usr/libexec/kezconverter/kezconv")" ] &&
        [ -x "$usr/libexec/kezconverter/kezconv" ] ||
        { echo "bin/kezconv does not lead to libexec/kezconverter/kezconv"; return 1; }
    [ "$(LC_ALL=C ls "$usr/bin" | tr '\n' ' ')" = "KezConverter kezconv " ] ||
        { echo "bin holds more than the two programs: $(ls "$usr/bin")"; return 1; }
    for file in "share/applications/$id.desktop" "share/mime/packages/$id.xml" "share/metainfo/$id.metainfo.xml" \
                share/doc/kezconverter/copyright share/doc/kezconverter/kezcc/README.md share/man/man1/KezConverter.1.gz \
                share/man/man1/kezconv.1.gz; do
        [ -s "$usr/$file" ] || { echo "missing: $file"; return 1; }
    done
    # Every picture the converter's page shows is installed beside it.
    for picture in $(grep -o 'sample/[^)]*\.png' "$usr/share/doc/kezconverter/kezcc/README.md"); do
        [ -s "$usr/share/doc/kezconverter/kezcc/$picture" ] || { echo "missing: the README's $picture"; return 1; }
    done
    for size in 16 22 24 32 48 64 128 256; do
        local icon="$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
        [ "$(png_size "$icon")" = "${size}x${size}" ] || { echo "icon ${size}x${size}: $(png_size "$icon")"; return 1; }
    done
    cmp -s "$usr/share/icons/hicolor/scalable/apps/$id.svg" "$here/resources/app.svg" ||
        { echo "the scalable icon is not the drawing"; return 1; }
}

# The large icons are drawn from the SVG, not the 16-pixel picture enlarged; the 16-pixel one is the
# hand-tuned picture.
icons_are_drawn()
{
    local apps="$1/share/icons/hicolor"
    /usr/bin/python3 - "$here/resources/app.png" "$apps/16x16/apps/$id.png" "$apps/256x256/apps/$id.png" <<'PYTHON'
import sys
from PIL import Image
tuned, small, large = (Image.open(name).convert("RGBA") for name in sys.argv[1:])
if small.tobytes() != tuned.tobytes():
    sys.exit("16x16 is not the hand-tuned picture")
if small.resize(large.size, Image.NEAREST).tobytes() == large.tobytes():
    sys.exit("256x256 is the 16-pixel picture enlarged")
PYTHON
}

# The manual pages name the documentation under the prefix they were installed to, and render
# without a warning.
manual_pages_are_right()
{
    local usr=$1 page text
    for page in KezConverter kezconv; do
        text=$(zcat "$usr/share/man/man1/$page.1.gz") || return 1
        grep -qF "$usr/share/doc/kezconverter/kezcc/README.md" <<<"$text" ||
            { echo "$page.1 does not name $usr/share/doc/kezconverter"; return 1; }
        grep -q '@' <<<"$text" && { echo "$page.1 holds an unreplaced @...@"; return 1; }
        [ -z "$(LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z <<<"$text" 2>&1)" ] ||
            { LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z <<<"$text"; return 1; }
    done
    zcat "$usr/share/man/man1/KezConverter.1.gz" | grep -q '^\.BR kezconv (1)' || { echo "KezConverter.1 does not refer to kezconv(1)"; return 1; }
}

# xdg-mime, as a desktop without its own tools asks it, seeing only the installed data under <usr>.
xdg_mime()
{
    local usr=$1
    shift
    mkdir -p "$scratch/xdg-home" "$scratch/xdg-none"
    env -i HOME="$scratch/xdg-home" LANG=C.UTF-8 PATH=/usr/bin:/bin XDG_DATA_HOME="$scratch/xdg-none" XDG_DATA_DIRS="$usr/share" \
        XDG_CONFIG_HOME="$scratch/xdg-none" XDG_CONFIG_DIRS="$scratch/xdg-none" xdg-mime "$@"
}

kez_files_open_with_the_program()
{
    local usr=$1 type handler
    type=$(xdg_mime "$usr" query filetype "$here/samples/$sample") || return 1
    handler=$(xdg_mime "$usr" query default "$type") || return 1
    echo "type: $type, handler: $handler"
    [ "$type" = text/x-kez ] && [ "$handler" = "$id.desktop" ]
}

# Whether the process catches SIGTERM (signal 15: bit 14 of its caught-signal mask).
catches_sigterm()
{
    local mask
    mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null) && [ -n "$mask" ] &&
        (((0x$mask >> 14) & 1))
}

# Starts the program as its menu entry's Exec line does, with a copy of a sample for %F, in a home
# of its own and with a PATH on which no converter lies: the one installed beside the program must
# be found. The RTF must appear (the immediate run is ticked at first start), and the program must
# end normally on SIGTERM afterwards, saving its settings as its close button does.
converts_a_file_it_is_started_with()
{
    local usr=$1 work="$scratch/run-$2"
    mkdir -p "$work/home" "$work/config" "$work/runtime" "$work/cache" "$work/texts"
    chmod 700 "$work/runtime"
    cp "$here/samples/$sample" "$work/texts/"
    local source="$work/texts/$sample" rtf="$work/texts/${sample%.kez}.rtf"
    local exec_line
    exec_line=$(sed -n 's/^Exec=//p' "$usr/share/applications/$id.desktop")
    [ "${exec_line#* }" = %F ] || { echo "Exec=$exec_line takes no %F"; return 1; }
    env -i HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
        XDG_CACHE_HOME="$work/cache" PATH="$usr/bin:/usr/bin:/bin" QT_QPA_PLATFORM=offscreen \
        "${exec_line%% *}" "$source" 2>"$work/stderr" &
    local pid=$! i=0
    while [ ! -s "$rtf" ] && ((i++ < 300)); do sleep 0.1; done
    [ -s "$rtf" ] && grep -q '^{\\rtf1' "$rtf" || echo "no RTF appeared within 30 s"
    # Until the program listens for end requests, SIGTERM would simply kill it.
    i=0
    while ! catches_sigterm "$pid" && ((i++ < 300)); do sleep 0.1; done
    kill -TERM "$pid"
    i=0
    while kill -0 "$pid" 2>/dev/null && ((i++ < 300)); do sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        echo "the program did not end within 30 s of SIGTERM"
    fi
    wait "$pid"
    local status=$?
    cat "$work/stderr"
    [ -s "$rtf" ] && grep -q '^{\\rtf1' "$rtf" && [ $status -eq 0 ] &&
        [ -s "$work/config/KezConverter/HKEY_CURRENT_USER.reg" ] || { echo "exit status $status"; return 1; }
}

# --- make install into a temporary prefix
prefix="$scratch/prefix"
check "make install PREFIX=<temporary>" make -s -C "$here" install BUILD="$build" PREFIX="$prefix"
check "the installed tree" tree_is_complete "$prefix"
check "the icons are drawn at every size" icons_are_drawn "$prefix"
check "the manual pages" manual_pages_are_right "$prefix"
check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/$id.desktop"
check "appstreamcli validate --no-net" appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
check "xdg-mime: a .kez file opens with the program" kez_files_open_with_the_program "$prefix"
check "the installed program converts the file it is started with" converts_a_file_it_is_started_with "$prefix" prefix

# The console converter as a shell runs it, through its link, with no display and no converter on
# PATH: it finds the one beside it and converts the sample into another folder.
console_converter_converts()
{
    local usr=$1 work="$scratch/console-$2"
    mkdir -p "$work/home" "$work/config" "$work/runtime" "$work/out"
    chmod 700 "$work/runtime"
    env -i HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" PATH=/usr/bin:/bin \
        "$usr/bin/kezconv" -o "$work/out" "$here/samples/$sample" &&
        grep -q '^{\\rtf1' "$work/out/${sample%.kez}.rtf"
}
check "the installed kezconv converts a file" console_converter_converts "$prefix" prefix

# --- make package: lintian, dependencies, install, run and remove in an empty root
# debian/control's Build-Depends are install-deps.sh's build list, and debian/changelog's version
# the project's.
debian_agrees_with_the_project()
{
    local control listed version
    control=$(sed -n '/^Build-Depends:/,/^[^ ]/{s/^Build-Depends://;/^[^ ]/d;p}' "$here/debian/control" |
        tr ',' '\n' | sed 's/([^)]*)//; s/^[[:space:]]*//; s/[[:space:]]*$//; s/^debhelper-compat$/debhelper/' | grep . | sort)
    listed=$(bash "$here/scripts/install-deps.sh" --build-depends | sort)
    [ "$control" = "$listed" ] ||
        { echo "Build-Depends differ from install-deps.sh's build list (< list, > control):"; diff <(echo "$listed") <(echo "$control"); return 1; }
    version=$(sed -n 's/^project(KezConverter VERSION \([^ )]*\).*/\1/p' "$here/CMakeLists.txt")
    [ "$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)" = "$version" ] ||
        { echo "debian/changelog's version is not the project's $version"; return 1; }
}
check "debian/ agrees with install-deps.sh and the project" debian_agrees_with_the_project

arch=$(dpkg --print-architecture)
version=$(dpkg-parsechangelog -l "$here/debian/changelog" -S Version)
deb="$build/package/kezconverter_${version}_$arch.deb"
rm -f "$deb"
# Every tag, pedantic and informational ones too, is shown; an error or a warning fails, and so
# does any tag about hardening or the copyright file.
package_and_lint()
{
    make -s -C "$here" package BUILD="$build" >"$scratch/package.log" 2>&1 || { tail -40 "$scratch/package.log"; return 1; }
    lintian --pedantic -I --fail-on error,warning "$deb" 2>&1 | grep -v 'running with root privileges' >"$scratch/lintian"
    local status=${PIPESTATUS[0]}
    cat "$scratch/lintian"
    ! grep -Eq '^[A-Z]: kezconverter[^:]*: (hardening|[a-z-]*copyright)' "$scratch/lintian" && [ "$status" -eq 0 ]
}
check "make package, lintian --pedantic" package_and_lint
[ -s "$deb" ] || deb=

# apt, as `apt-get install ./kezconverter_*.deb` would, resolves every dependency the package names.
dependencies_resolve()
{
    apt-get install --simulate --no-install-recommends "$deb" >"$scratch/apt" 2>&1 &&
        grep -q '^Inst kezconverter ' "$scratch/apt" || { cat "$scratch/apt"; return 1; }
}
root="$scratch/root"
installs_in_an_empty_root()
{
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
    : >"$root/var/lib/dpkg/status"
    : >"$root/var/lib/dpkg/available"
    # The root holds none of the libraries: the program runs on the machine's, resolved above.
    dpkg --root="$root" --force-depends --install "$deb" &&
        dpkg --root="$root" --verify kezconverter && tree_is_complete "$root/usr" && icons_are_drawn "$root/usr"
}

# Started as its menu entry starts it, under a virtual display, the program's window carries the
# class (WM_CLASS) the menu entry names as StartupWMClass, by which docks match the two.
window_class_matches_menu_entry()
{
    local usr=$1 work="$scratch/window"
    mkdir -p "$work/home" "$work/config" "$work/runtime" "$work/cache"
    chmod 700 "$work/runtime"
    local expected exec_line
    expected=$(sed -n 's/^StartupWMClass=//p' "$usr/share/applications/$id.desktop")
    exec_line=$(sed -n 's/^Exec=//p' "$usr/share/applications/$id.desktop")
    [ -n "$expected" ] || { echo "the menu entry names no StartupWMClass"; return 1; }
    env -i HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
        XDG_CACHE_HOME="$work/cache" PATH="$usr/bin:/usr/bin:/bin" \
        timeout 60 xvfb-run -a sh -c '
            "$1" & pid=$!
            i=0
            while [ $i -lt 300 ]; do
                for window in $(xwininfo -root -children | sed -n "s/^ *\(0x[0-9a-f]*\) .*/\1/p"); do
                    xwininfo -id "$window" | grep -q "Map State: IsViewable" && xprop -id "$window" WM_CLASS
                done | grep "^WM_CLASS" && break
                i=$((i + 1))
                sleep 0.1
            done
            kill -TERM $pid
            wait $pid' sh "${exec_line%% *}" >"$work/classes" 2>&1
    cat "$work/classes"
    local class
    class=$(sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p' "$work/classes" | head -1)
    [ -n "$class" ] || { echo "no window appeared"; return 1; }
    [ "$class" = "$expected" ] || { echo "WM_CLASS class $class, the menu entry's StartupWMClass $expected"; return 1; }
}
removes_cleanly()
{
    dpkg --root="$root" --purge kezconverter || return 1
    local left
    left=$(cd "$root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' -not -path './var/lib/dpkg*')
    [ -z "$left" ] || { echo "left behind:"; echo "$left"; return 1; }
}
if [ -n "$deb" ]; then
    check "apt resolves the package's dependencies" dependencies_resolve
    check "dpkg --root installs the package" installs_in_an_empty_root
    check "the packaged program converts the file it is started with" converts_a_file_it_is_started_with "$root/usr" package
    check "the packaged kezconv converts a file" console_converter_converts "$root/usr" package
    check "the packaged program's window class is its menu entry's" window_class_matches_menu_entry "$root/usr"
    check "dpkg --root removes the package, nothing left" removes_cleanly
fi

echo "install: $passed passed, $failed failed"
[ $failed -eq 0 ]
