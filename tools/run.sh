#!/usr/bin/env bash
# Installs what is missing, builds, and shows a picture in the viewer
# (the bundled sample when none is given). Without a display it runs the
# viewer in a virtual X server, saves a screenshot of its window, closes it
# and prints where the screenshot is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The 32-bit viewer, or where the 32-bit Wine does not run the
# 64-bit build of the same sources (tools/arch.sh).
# Installed first: which build runs here is known only then.
if [ "${1:-}" != --inside ]; then "$root/tools/bootstrap.sh"; fi
arch=$("$root/tools/arch.sh")
build=$("$root/tools/build-dir.sh" "$arch")
shot="$build/screenshot.png"

# Inside the virtual X server: the driver starts the viewer, answers any
# box, and once the picture shows reports the window's rectangle ("ready
# X Y W H"), which is captured at once; it holds the window 3 s, time
# enough for the capture, clicks it and reports the exit code.
screenshot() {  # picture
  local word a b c d
  "$build/wine-run.sh" "$build/tools/vdriver/vdriver.exe" show "$build/vistora.exe" "$1" 3000 |
    stdbuf -oL tr -d '\r' | while read -r word a b c d; do
      case "$word" in
        ready) import -window root -crop "${c}x${d}+${a}+${b}" +repage "$shot" ;;
        box) echo "message box: $a $b $c $d" ;;
        exit) echo "viewer exit code: $a" ;;
      esac
    done
  "$build/wine-run.sh" --session-end
}

if [ "${1:-}" = --inside ]; then
  screenshot "$2"
  exit 0
fi

"$root/tools/build.sh" "$arch" >/dev/null
picture=$(realpath -- "${1:-$root/samples/sample.png}")

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/wine-run.sh" "$build/vistora.exe" "Z:${picture//\//\\}"
fi

rm -f "$shot"  # an old one must not pass for this run's
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside "$picture"
if [ -f "$shot" ]; then
  echo "No display: the viewer ran in a virtual X server. Screenshot of its window: $shot"
else
  echo "No display: the viewer showed no window for $picture (nothing to show)."
fi
