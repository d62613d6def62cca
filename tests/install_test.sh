#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what lands where: both programs in bin/
# printing their version, the resources in share/pellicor/ (found there by the installed
# programs), the menu entry and the icons in their XDG places.
set -euo pipefail
build=${1:?usage: install_test.sh BUILD_DIR FIXTURES_DIR}
fixtures=${2:?usage: install_test.sh BUILD_DIR FIXTURES_DIR}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > /dev/null

for program in pellicor pellicor-cli; do
  [ -x "$prefix/bin/$program" ] || fail "$program is not in bin/"
done
version=$("$prefix/bin/pellicor" --version)
[[ $version =~ ^pellicor\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "pellicor --version printed '$version'"

for file in share/pellicor/help/index.html share/pellicor/help/style.css share/pellicor/pellicor.png \
            share/applications/pellicor.desktop share/icons/hicolor/scalable/apps/pellicor.svg \
            share/icons/hicolor/128x128/apps/pellicor.png; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ -x "$prefix/share/pellicor/dfp" ] || fail "the projector stub share/pellicor/dfp is not installed as a program"
grep -qx 'Exec=pellicor %F' "$prefix/share/applications/pellicor.desktop" || fail "the menu entry does not start pellicor"
grep -qx 'Icon=pellicor' "$prefix/share/applications/pellicor.desktop" || fail "the menu entry names no icon"

# A new task's default preloader lies in the resources folder the installed program uses.
tasks=$prefix/tasks.ini
"$prefix/bin/pellicor-cli" tasks --tasks "$tasks" add "$fixtures/clip.mp4" > /dev/null
shown=$("$prefix/bin/pellicor-cli" tasks --tasks "$tasks" show 0)
grep -qx "destPreloader=$prefix/share/pellicor/preloader/preloader.swf" <<< "$shown" ||
  fail "the installed programs look for their resources elsewhere: $(grep destPreloader= <<< "$shown")"
echo "installed and checked in $prefix"
