#!/usr/bin/env bash
# Shows what Pellicor does with the bundled sample clip.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
echo "== Probing samples/sample.mp4"
"$build/pellicor-cli" probe samples/sample.mp4
