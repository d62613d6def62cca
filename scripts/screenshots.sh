#!/usr/bin/env bash
# Takes the README's screenshots of the desktop program under a virtual X server (Xvfb):
# the main window with a few tasks, the batch dialog during a run (held by Pause for the
# picture, then resumed to the end), the four pages of the export settings dialog, and the
# region and effects dialogs. Needs a build (default: build/) and writes docs/*.png.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/docs
mkdir -p "$out"

work=$(mktemp -d)
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Nothing of the user's own settings: a home of its own.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME" "$work/out"

tasks=$work/tasks.ini
cli=$build/pellicor-cli
# The large clip second, so that the run is still busy when it is paused for the picture.
"$cli" tasks --tasks "$tasks" add samples/sample.mp4 "$build/fixtures/hd720.mp4" \
  "$build/fixtures/anim.gif" "$build/fixtures/tone.wav" > /dev/null
for n in 0 1 2 3; do "$cli" tasks --tasks "$tasks" set $n "destFilepath=$work/out/" > /dev/null; done
"$cli" tasks --tasks "$tasks" uncheck 3 > /dev/null
# The first task shows a caption, a preloader and effects in its settings.
"$cli" tasks --tasks "$tasks" caption 0 "Pellicor" > /dev/null
"$cli" tasks --tasks "$tasks" set 0 destIsPreloader=1 destIsPlayback=1 destIsApplyEffects=1 destIsBrightness=1 \
  destBrightnessR=20 destBrightnessG=20 destBrightnessB=20 destFiltersCount=1 destFilterType0=7 \
  destIsFlashClickOpenLink=1 destRegionX=40 destRegionY=30 destRegionWidth=240 destRegionHeight=180 \
  "destFlashTextFont=\"DejaVu Sans\",18,1,,,,clWhite,1,0" > /dev/null

# A virtual screen; Xvfb tells the display number it took.
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb <&3
read -r display <&3
export DISPLAY=:$display

QT_QPA_PLATFORM=xcb "$build/pellicor" --tasks "$tasks" &
app=$!

window_id() { timeout 30 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

# Grabs one window of the screen into a small PNG (three quarters of the size, 128 colours).
grab() {
  local id=$1 file=$2
  eval "$(xdotool getwindowgeometry --shell "$id")"
  ffmpeg -nostdin -hide_banner -loglevel error -y -f x11grab -draw_mouse 0 -video_size "${WIDTH}x${HEIGHT}" \
    -i "$DISPLAY+$X,$Y" -frames:v 1 "$work/grab.png"
  ffmpeg -nostdin -hide_banner -loglevel error -y -i "$work/grab.png" \
    -vf "scale=iw*3/4:-1:flags=lanczos,split[a][b];[a]palettegen=max_colors=128[p];[b][p]paletteuse=dither=none" \
    -compression_level 9 "$file"
}

main=$(window_id '^Pellicor$')
xdotool mousemove 1279 799                  # the pointer out of the pictures
xdotool windowfocus --sync "$main"
sleep 2
grab "$main" "$out/main-window.png"

# The export settings dialog on the first task, page by page.
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+s          # Settings
settings=$(window_id '^Export Settings')
xdotool windowfocus --sync "$settings"
sleep 0.5
pages=(settings-general settings-video-audio settings-swf settings-preloader-playback)
for page in "${pages[@]}"; do
  grab "$settings" "$out/$page.png"
  xdotool key --clearmodifiers ctrl+Tab     # the next page
  sleep 0.4
done
xdotool key --clearmodifiers ctrl+Tab       # back on the video page
sleep 0.3
xdotool key --clearmodifiers alt+r          # Select Region
region=$(window_id '^Select Region')
sleep 1.5                                   # the frame is read once the dialog shows
grab "$region" "$out/region-dialog.png"
xdotool key --clearmodifiers Escape
sleep 0.3
xdotool windowfocus --sync "$settings"
xdotool key --clearmodifiers alt+e          # Select Effects
effects=$(window_id '^Select Effects')
sleep 1.5
grab "$effects" "$out/effects-dialog.png"
xdotool key --clearmodifiers Escape
sleep 0.3
xdotool windowfocus --sync "$settings"
xdotool key --clearmodifiers Escape         # Cancel: the task stays as it was
sleep 0.3

xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+v          # Convert
batch=$(window_id '^Converting...$')
xdotool windowfocus --sync "$batch"
sleep 0.5
xdotool key --clearmodifiers alt+c          # the dialog's Convert
sleep 0.6
xdotool key --clearmodifiers alt+p          # Pause, for a still picture
sleep 0.5
grab "$batch" "$out/batch-dialog.png"
xdotool key --clearmodifiers alt+r          # Resume
sleep 8
xdotool key --clearmodifiers alt+e          # Exit
sleep 0.5

kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
app=
echo "Wrote the pictures in $out; movies made: $(ls "$work/out" | tr '\n' ' ')"
