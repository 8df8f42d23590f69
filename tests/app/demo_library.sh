#!/usr/bin/env bash
# The first-run demo library: four albums with JPEG and BMP jackets (one "cover.jpg"), tagged
# files of every kind it promises, one folder and one title in Japanese that the tag readers give
# back; a settings file that opens the player on it, written only where none exists.
# Arguments: the source tree and the build tree (for orvane-tags).
set -euo pipefail
source_dir=$1 build=$2
work=$(mktemp -d /tmp/orvane-demo-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source_dir/scripts/make-demo-library" "$work" >/dev/null
lib=$work/demo-library
[ "$(ls "$lib" | wc -l)" -eq 4 ] || fail "not four albums: $(ls "$lib")"
for expected in "Morning Tones/a.jpg:JPEG" "Evening Chords/a.bmp:BMP" \
                "Field Notes/cover.jpg:JPEG" "夜の音楽/a.jpg:JPEG"; do
  identify -format %m "$lib/${expected%%:*}" | grep -q "^${expected#*:}" ||
    fail "no jacket ${expected%%:*}"
done
for ext in mp3 wav ogg flac; do
  ls "$lib"/*/*."$ext" >/dev/null || fail "no .$ext file"
done

tags=$("$build/bin/orvane-tags" "$lib/夜の音楽/01 静かな雨.mp3" "$lib/Evening Chords/03 Night Bus.ogg" \
       "$lib/Field Notes/02 Brook.flac")
for line in "Title=静かな雨" "Artist=青山ミカ" "Title=Night Bus" "Title=Brook"; do
  grep -qx "$line" <<<"$tags" || fail "the readers do not give $line"
done

ini=$work/bin/orvane.ini
grep -qx "Path=$lib" "$ini" || fail "Path does not name the library"
grep -qx "Mask=8" "$ini" || fail "Mask does not select the \"all\" entry"
grep -qx "PlayableExtensions=wav,mp3,avi,wmv,mpg,m2p,vob,vg2,ogg,flac" "$ini" ||
  fail "ogg and flac are not playable"

# A second run keeps the user's settings and the library as they are.
echo "[Main]" >"$ini"
touch -d "2001-01-01" "$lib/Morning Tones/01 Sunrise.mp3"
"$source_dir/scripts/make-demo-library" "$work" >/dev/null
[ "$(cat "$ini")" = "[Main]" ] || fail "an existing settings file was changed"
[ "$(stat -c %Y "$lib/Morning Tones/01 Sunrise.mp3")" = "$(date -d 2001-01-01 +%s)" ] ||
  fail "the library was made again"
echo "demo library: OK"
