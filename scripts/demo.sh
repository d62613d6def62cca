#!/usr/bin/env bash
# Shows what Pellicor does with the bundled sample clip: probes it, then converts it into
# an SWF movie in build/demo/.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
echo "== Probing samples/sample.mp4"
"$build/pellicor-cli" probe samples/sample.mp4
echo
echo "== Converting samples/sample.mp4"
mkdir -p "$build/demo"
"$build/pellicor-cli" convert samples/sample.mp4 -o "$build/demo/sample.swf"
echo
echo "The movie is $(cd "$build/demo" && pwd)/sample.swf"
