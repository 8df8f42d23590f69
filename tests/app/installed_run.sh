#!/usr/bin/env bash
# The installed player, run by a user who cannot write its bin/ folder: the installation holds
# the programs, the desktop entry, the icons and the tile background; the settings go to
# $XDG_CONFIG_HOME/orvane/orvane.ini (made by the program), never beside the executable, and a
# second run resumes what the first one saved there. Runs under a private X server.
# Argument: the build tree to install from.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/orvane-installed-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
chmod 755 "$work"

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/orvane bin/orvane-tags share/applications/orvane.desktop \
            share/icons/hicolor/scalable/apps/orvane.svg share/icons/hicolor/48x48/apps/orvane.png \
            share/orvane/bg.bmp; do
  [ -f "$prefix/$file" ] || fail "the installation lacks $file"
done
[ "$(ls "$prefix/bin" | tr '\n' ' ')" = "orvane orvane-tags " ] || fail "bin/ holds more than programs"
desktop-file-validate "$prefix/share/applications/orvane.desktop" || fail "invalid desktop entry"

# The user: as root (the usual case here), a throwaway uid without a passwd entry; otherwise
# ourselves with bin/ made read-only. Either way bin/ cannot be written.
home=$work/home
mkdir -p "$home/run"
if [ "$(id -u)" -eq 0 ]; then
  uid=47017
  chown -R "$uid:$uid" "$home"
  as_user() { setpriv --reuid="$uid" --regid="$uid" --clear-groups "$@"; }
else
  chmod a-w "$prefix/bin"
  as_user() { "$@"; }
fi
chmod 700 "$home/run"
config=$home/config  # not there yet: the program makes it
ini=$config/orvane/orvane.ini
as_user test -w "$prefix/bin" && fail "the user can write bin/"

# Waits up to a minute for a mapped window whose title holds $1: a window found before it is
# mapped cannot be moved or clicked yet.
window_with() {
  for _ in $(seq 120); do
    kill -0 "$player" 2>/dev/null || return 1
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep . && return 0
    sleep 0.5
  done
  return 1
}

# Starts the installed player as the user and waits for its main window.
start_player() {
  HOME=$home XDG_CONFIG_HOME=$config XDG_RUNTIME_DIR=$home/run \
    as_user "$prefix/bin/orvane" &
  player=$!
  pids+=("$player")
  window=$(window_with "Ver1.07 Orvane") || fail "no main window"
}

visible_windows() { xdotool search --onlyvisible --class orvane 2>/dev/null | wc -l; }

# Ends the player the way a user does, through "Exit" (the first item of the folder pane's menu),
# so that it saves its settings; then waits for it to end.
exit_player() {
  local before
  before=$(visible_windows)
  xdotool mousemove --window "$window" 60 120 click 3 || fail "could not click the window"
  for _ in $(seq 100); do
    [ "$(visible_windows)" -gt "$before" ] && break
    sleep 0.1
  done
  [ "$(visible_windows)" -gt "$before" ] || fail "the pop-up menu did not show"
  xdotool key Down Return || fail "could not choose Exit"
  for _ in $(seq 60); do
    kill -0 "$player" 2>/dev/null || break
    sleep 0.5
  done
  kill -0 "$player" 2>/dev/null && fail "the player did not end through Exit"
  wait "$player" || fail "the player ended with status $?"
}

# 1. No settings anywhere: the user moves the window; the exit saves that in a settings file
#    it creates in the configuration folder, and nothing is written to bin/.
start_player
xdotool windowmove --sync "$window" 321 213 || fail "could not move the window"
exit_player
[ -f "$ini" ] || fail "no settings in $ini"
grep -qx 'PlaceNormalPos.Left=321' "$ini" || fail "the window's place was not saved: $(cat "$ini")"
[ "$(ls "$prefix/bin" | tr '\n' ' ')" = "orvane orvane-tags " ] || fail "something was written to bin/"

# 2. The second run resumes from there: the window opens where the first one was left.
start_player
position=$(xdotool getwindowgeometry "$window" || fail "no geometry of the window")
position=$(echo "$position" | sed -n 's/^ *Position: \([0-9]*,[0-9]*\).*/\1/p')
[ "$position" = "321,213" ] || fail "the second run opened at $position"
exit_player
echo "installed run: OK"
