#!/usr/bin/env bash
# Conversion speed against FFmpeg: a 20-second 1280x720 30 fps H.264 clip (600 frames, made
# here with the ffmpeg tool) converted by `pellicor-cli convert` (JPEG quality 75, no
# audio; uncompressed and compressed) and by `ffmpeg -an -c:v mjpeg -q:v 5` into an SWF
# file. Prints wall time, frames per second, Pellicor/FFmpeg time ratio and peak memory.
# Usage: bench/convert-bench.sh [BUILD_DIR]   (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
cli="$root/$build/pellicor-cli"
[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
[ -x /usr/bin/time ] || bash "$root/scripts/install-deps.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=600
ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=20" \
    -c:v libx264 -preset veryfast -pix_fmt yuv420p "$work/clip.mp4"

# run NAME COMMAND...: wall seconds and peak resident kilobytes into $NAME_wall, $NAME_rss.
run() {
    local name=$1
    shift
    /usr/bin/time -v -o "$work/$name.time" "$@" >/dev/null 2>"$work/$name.err" ||
        { cat "$work/$name.err" >&2; exit 1; }
    local wall
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/$name.time")
    wall=$(awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }' <<<"$wall")
    printf -v "${name}_wall" '%s' "$wall"
    printf -v "${name}_rss" '%s' "$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/$name.time")"
}

run pellicor "$cli" convert "$work/clip.mp4" -o "$work/pellicor.swf" --quality 75 --no-compress \
    --set destIsAudioIncluded=0
run compressed "$cli" convert "$work/clip.mp4" -o "$work/compressed.swf" --quality 75 --set destIsAudioIncluded=0
run ffmpeg ffmpeg -nostdin -hide_banner -loglevel error -i "$work/clip.mp4" -an -c:v mjpeg -q:v 5 "$work/ffmpeg.swf"

report() {
    local label=$1 wall=$2 rss=$3 file=$4
    awk -v l="$label" -v w="$wall" -v r="$rss" -v f="$frames" -v s="$(stat -c %s "$file")" \
        'BEGIN { printf "%-34s %7.2f s  %6.1f fps  peak %7.1f MiB  file %6.1f MiB\n", l, w, f / w, r / 1024, s / 1048576 }'
}
echo "600 frames of 1280x720 H.264 (30 fps), no audio"
report "pellicor-cli convert (plain)" "$pellicor_wall" "$pellicor_rss" "$work/pellicor.swf"
report "pellicor-cli convert (compressed)" "$compressed_wall" "$compressed_rss" "$work/compressed.swf"
report "ffmpeg -c:v mjpeg -q:v 5" "$ffmpeg_wall" "$ffmpeg_rss" "$work/ffmpeg.swf"
awk -v p="$pellicor_wall" -v f="$ffmpeg_wall" 'BEGIN { printf "time ratio pellicor/ffmpeg: %.2f\n", p / f }'
