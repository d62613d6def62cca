#!/usr/bin/env bash
# Shows what Pellicor does with the bundled sample clip: probes it, then converts it into
# an SWF movie in build/demo/ with a page that plays it in a browser (Ruffle's web player).
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
echo "== Probing samples/sample.mp4"
"$build/pellicor-cli" probe samples/sample.mp4
echo
echo "== Converting samples/sample.mp4 into a movie and its page"
mkdir -p "$build/demo"
# The player tests install Ruffle's web files; a copy beside the page makes it work offline.
ruffle=tests/player/node_modules/@ruffle-rs/ruffle
player=(--set destIsHtmlRuffle=1)
if [ -f "$ruffle/ruffle.js" ]; then
  player+=(--ruffle-dir "$ruffle")
fi
"$build/pellicor-cli" convert samples/sample.mp4 -o "$build/demo/sample.swf" --set destExportType=2 "${player[@]}"
echo
demo=$(cd "$build/demo" && pwd)
echo "The movie is $demo/sample.swf"
echo "The page that plays it in a browser is $demo/sample.html"
echo "Browsers do not let a page opened from disk (file://) load the player's files, so serve the folder and open the page there:"
echo "    python3 -m http.server --bind 127.0.0.1 --directory $demo 8000"
echo "    then http://127.0.0.1:8000/sample.html"
