#!/usr/bin/env bash
# Installs the build into a temporary prefix, as `cmake --install` does for a
# person, and starts the programs from there: velmora-cli writes an Ogg and a
# WMA file (so it found both run-time libraries beside itself), and with the
# window built, velmora starts offscreen with a file listed and keeps running.
# usage: install-test.sh BUILD_DIR GUI(ON|OFF)
set -euo pipefail
build=$1
gui=$2
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
home="$prefix/lib/velmora"
programs=(velmora-cli)
[[ $gui == ON ]] && programs+=(velmora)
for file in "${programs[@]}" libvcedit.so libwmaudsdk.so; do
    [[ -f $home/$file ]] || fail "$home/$file is missing"
done
for program in "${programs[@]}"; do
    [[ $(readlink "$prefix/bin/$program") == "../lib/velmora/$program" ]] ||
        fail "$prefix/bin/$program is not a link to ../lib/velmora/$program"
done

encode=(ffmpeg -nostdin -loglevel error -f lavfi -i sine=d=0.3)
"${encode[@]}" -c:a libvorbis "$work/a song.ogg"
"${encode[@]}" -c:a wmav2 "$work/b.wma"
cd "$work"
"$prefix/bin/velmora-cli" set --title Installed --track 2 "a song.ogg" b.wma >/dev/null ||
    fail "velmora-cli set"
json=$("$prefix/bin/velmora-cli" show --json "a song.ogg" b.wma)
[[ $(grep -o '"title": "Installed"' <<<"$json" | wc -l) == 2 ]] || fail "show printed $json"
"$prefix/bin/velmora-cli" --help | grep -q "Usage: velmora-cli" || fail "velmora-cli --help"

if [[ $gui == ON ]]; then
    [[ -f $home/mp3enc.skn ]] || fail "the skin is missing"
    desktop="$prefix/share/applications/velmora.desktop"
    [[ -f $desktop ]] || fail "$desktop is missing"
    [[ -f $prefix/share/icons/hicolor/scalable/apps/velmora.svg ]] || fail "the icon is missing"
    grep -qx 'MimeType=audio/mpeg;audio/ogg;audio/x-vorbis+ogg;audio/x-ms-wma;' "$desktop" ||
        fail "the desktop entry's types"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
    fi
    [[ $("$prefix/bin/velmora" --version) == "velmora "* ]] || fail "velmora --version"
    # Still running after three seconds: started, found its skin and libraries,
    # listed the file and waits for the person.
    status=0
    QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/velmora" "a song.ogg" || status=$?
    [[ $status == 124 ]] || fail "velmora ended early with status $status"
fi
echo "installed and started from $prefix"
