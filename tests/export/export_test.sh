#!/usr/bin/env bash
# Exports the show as a video at a low frame rate and checks it with ffprobe.
# usage: export_test.sh SOFTDEMO_RENDER DATA_DIR
set -euo pipefail
render=$1 data=$2
for tool in ffmpeg ffprobe; do
  command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$render" export --data "$data" --fps 5 --scale 2 --out "$out/show.mp4" 2> "$out/log" || { cat "$out/log"; exit 1; }
probe() { ffprobe -v error -select_streams "$1" -show_entries "$2" -of default=noprint_wrappers=1:nokey=1 "$out/show.mp4"; }
[ "$(probe v:0 stream=codec_name)" = h264 ] || { echo "no H.264 video stream"; exit 1; }
[ "$(probe v:0 stream=width,height | paste -sd x)" = 1024x768 ] || { echo "video is not 1024 x 768"; exit 1; }
[ "$(probe a:0 stream=codec_name)" = aac ] || { echo "no AAC audio stream"; exit 1; }
duration=$(probe v:0 stream=duration)
awk -v d="$duration" 'BEGIN { exit !(d > 118.0 && d < 118.8) }' || { echo "video lasts $duration s, not 118.4 s"; exit 1; }
# Every frame decodes.
ffmpeg -v error -i "$out/show.mp4" -f null - || { echo "the video does not decode"; exit 1; }
echo "show.mp4: H.264 1024 x 768 + AAC, $duration s"
