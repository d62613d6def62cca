#!/usr/bin/env bash
# Conversion against FFmpeg's own SWF writer, on clips made here with the ffmpeg tool:
#   720p      20 s, 1280x720, 30 fps H.264 (testsrc2), no sound
#   720p+aac  the same with stereo AAC sound (two sine tones, 44100 Hz)
#   1080p     10 s, 1920x1080, 30 fps H.264, no sound
# Each clip is converted RUNS times (default 3) by `pellicor-cli convert` (JPEG quality 75,
# uncompressed; with sound MP3 128 kbit/s stereo 44100 Hz) and by
# `ffmpeg -c:v mjpeg -q:v 5` (with sound libmp3lame 128 kbit/s) into an SWF file, the two
# commands alternating so that a change in the machine's load hits both alike. The first
# table gives medians of wall time, CPU time (user + system), peak resident memory and file
# size, and the ratio Pellicor/FFmpeg of each. The second gives the mean PSNR (FFmpeg's psnr
# filter, Y U V and average) of each movie against its source, Pellicor's first-frame
# picture skipped, so that sizes can be compared at equal picture quality; then Pellicor at
# a few more qualities.
#
# The machine's load (uptime) is printed before and after: wall times on a busy machine say
# little, CPU times and file sizes stay meaningful.
#
# Usage: bench/convert-bench.sh [BUILD_DIR]   (default build; RUNS=5 CLIPS="720p" to change)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
cli="$root/$build/pellicor-cli"
[ -x "$cli" ] || cli="$build/pellicor-cli"
[ -x "$cli" ] || { echo "no pellicor-cli in $build: build first" >&2; exit 1; }
[ -x /usr/bin/time ] || bash "$root/scripts/install-deps.sh"
runs=${RUNS:-3}
clips=${CLIPS:-"720p 720p+aac 1080p"}
qualities=${QUALITIES:-"85 92"}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

make_clip() {
    case $1 in
        720p) ff -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=20" \
                 -c:v libx264 -preset veryfast -pix_fmt yuv420p "$work/$1.mp4" ;;
        720p+aac) ff -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=20" \
                     -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=20" \
                     -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=20" \
                     -filter_complex "[1:a][2:a]join=inputs=2:channel_layout=stereo[a]" -map 0:v -map "[a]" \
                     -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 128k "$work/$1.mp4" ;;
        1080p) ff -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10" \
                  -c:v libx264 -preset veryfast -pix_fmt yuv420p "$work/$1.mp4" ;;
    esac
}

has_sound() { [[ $1 == *aac* ]]; }

pellicor_command() {
    local clip=$1 out=$2 quality=${3:-75}
    local sound=(--set destIsAudioIncluded=0)
    has_sound "$clip" && sound=(--set destIsAudioIncluded=1 --set destAudioFormat=1 --set destAudioBitrate=4)
    echo "$cli" convert "$work/$clip.mp4" -o "$out" --quality "$quality" --no-compress "${sound[@]}"
}

ffmpeg_command() {
    local clip=$1 out=$2
    local sound=(-an)
    has_sound "$clip" && sound=(-c:a libmp3lame -b:a 128k -ar 44100)
    echo ffmpeg -nostdin -hide_banner -loglevel error -y -i "$work/$clip.mp4" -c:v mjpeg -q:v 5 "${sound[@]}" "$out"
}

# measure FILE COMMAND...: appends "wall cpu peak_kib" to FILE.
measure() {
    local file=$1
    shift
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" ||
        { cat "$work/err" >&2; exit 1; }
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time" >>"$file"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column_median() { awk -v c="$2" '{ print $c }' "$1" | median; }

# psnr MOVIE SOURCE SKIP: "Y U V average" of the movie's pictures (the first SKIP dropped)
# against the source's.
psnr() {
    local movie=$1 source=$2 skip=$3
    ffmpeg -nostdin -hide_banner -i "$movie" -i "$source" -lavfi \
        "[0:v]trim=start_frame=$skip,setpts=N/(30*TB),scale=out_range=tv,format=yuv420p[a];[1:v]setpts=N/(30*TB),format=yuv420p[b];[a][b]psnr" \
        -f null - 2>&1 | sed -n 's/.*PSNR y:\([0-9.inf]*\) u:\([0-9.inf]*\) v:\([0-9.inf]*\) average:\([0-9.inf]*\).*/\1 \2 \3 \4/p' | tail -1
}

echo "load before: $(uptime)"
declare -A size_p size_f
printf '\n%-9s %-8s %9s %9s %10s %10s\n' clip tool wall_s cpu_s peak_MiB file_MiB
for clip in $clips; do
    make_clip "$clip"
    : >"$work/$clip.p" >"$work/$clip.f"
    for ((run = 0; run < runs; run++)); do
        # shellcheck disable=SC2046
        measure "$work/$clip.p" $(pellicor_command "$clip" "$work/$clip.pellicor.swf")
        # shellcheck disable=SC2046
        measure "$work/$clip.f" $(ffmpeg_command "$clip" "$work/$clip.ffmpeg.swf")
    done
    size_p[$clip]=$(stat -c %s "$work/$clip.pellicor.swf")
    size_f[$clip]=$(stat -c %s "$work/$clip.ffmpeg.swf")
    for tool in p f; do
        size=${size_p[$clip]}
        [ $tool = f ] && size=${size_f[$clip]}
        printf '%-9s %-8s %9.2f %9.2f %10.1f %10.2f\n' "$clip" "$([ $tool = p ] && echo pellicor || echo ffmpeg)" \
            "$(column_median "$work/$clip.$tool" 1)" "$(column_median "$work/$clip.$tool" 2)" \
            "$(awk '{ print $1 / 1024 }' <<<"$(column_median "$work/$clip.$tool" 3)")" \
            "$(awk '{ print $1 / 1048576 }' <<<"$size")"
    done
    printf '%-9s %-8s %9.2f %9.2f %10.2f %10.2f\n' "$clip" ratio \
        "$(awk '{ print $1 / $2 }' <<<"$(column_median "$work/$clip.p" 1) $(column_median "$work/$clip.f" 1)")" \
        "$(awk '{ print $1 / $2 }' <<<"$(column_median "$work/$clip.p" 2) $(column_median "$work/$clip.f" 2)")" \
        "$(awk '{ print $1 / $2 }' <<<"$(column_median "$work/$clip.p" 3) $(column_median "$work/$clip.f" 3)")" \
        "$(awk '{ print $1 / $2 }' <<<"${size_p[$clip]} ${size_f[$clip]}")"
done

printf '\nPSNR against the source (dB)\n%-9s %-14s %7s %7s %7s %7s %10s\n' clip movie Y U V avg file_MiB
for clip in $clips; do
    printf '%-9s %-14s %7s %7s %7s %7s %10.2f\n' "$clip" "ffmpeg -q:v 5" \
        $(psnr "$work/$clip.ffmpeg.swf" "$work/$clip.mp4" 0) "$(awk '{ print $1 / 1048576 }' <<<"${size_f[$clip]}")"
    printf '%-9s %-14s %7s %7s %7s %7s %10.2f\n' "$clip" "pellicor q75" \
        $(psnr "$work/$clip.pellicor.swf" "$work/$clip.mp4" 1) "$(awk '{ print $1 / 1048576 }' <<<"${size_p[$clip]}")"
    for quality in $qualities; do
        # shellcheck disable=SC2046
        $(pellicor_command "$clip" "$work/q.swf" "$quality") >/dev/null
        printf '%-9s %-14s %7s %7s %7s %7s %10.2f\n' "$clip" "pellicor q$quality" \
            $(psnr "$work/q.swf" "$work/$clip.mp4" 1) "$(awk '{ print $1 / 1048576 }' <<<"$(stat -c %s "$work/q.swf")")"
    done
done
echo
echo "load after: $(uptime)"
