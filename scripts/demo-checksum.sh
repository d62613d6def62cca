#!/usr/bin/env bash
# Converts the bundled sample clip the way `make demo` does (a movie with its page) and
# prints the SHA-256 of the movie. With EXPECTED, fails unless the movie has that checksum:
# a change that must not alter any movie is checked by running this before and after it,
# with the same build settings (the JPEG library decides the image bytes).
#
#     scripts/demo-checksum.sh [BUILD] [EXPECTED]
set -euo pipefail
build=${1:-build}
expected=${2:-}
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/pellicor-cli" convert samples/sample.mp4 -o "$work/sample.swf" \
  --set destExportType=2 --set destIsHtmlRuffle=1 >/dev/null
sum=$(sha256sum "$work/sample.swf" | cut -d' ' -f1)
echo "$sum  sample.swf"
if [ -n "$expected" ] && [ "$sum" != "$expected" ]; then
  echo "the demo movie changed: expected $expected" >&2
  exit 1
fi
