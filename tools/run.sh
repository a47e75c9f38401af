#!/usr/bin/env bash
# Installs what is missing, builds, and shows a picture in the viewer
# (the bundled sample when none is given). Without a display it runs the
# viewer in a virtual X server, saves a screenshot of its window, closes it
# and prints where the screenshot is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/bootstrap.sh"
"$root/tools/build.sh" >/dev/null
build="$root/build"
picture=$(realpath -- "${1:-$root/samples/sample.png}")
winpath="Z:${picture//\//\\}"

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/wine-run.sh" "$build/vistora.exe" "$winpath"
fi

shot="$build/screenshot.png"
rm -f "$shot"  # an old one must not pass for this run's
export VISTORA_BUILD="$build" VISTORA_PICTURE="$picture" VISTORA_SHOT="$shot"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -u
  "$VISTORA_BUILD/wine-run.sh" "$VISTORA_BUILD/tests/vdriver.exe" show \
      "$VISTORA_BUILD/vistora.exe" "$VISTORA_PICTURE" 1500 | while read -r word a b c d; do
    d=${d%$'"'"'\r'"'"'}; a=${a%$'"'"'\r'"'"'}
    case "$word" in
      ready) sleep 0.7; import -window root -crop "${c}x${d}+${a}+${b}" +repage "$VISTORA_SHOT" ;;
      box) echo "message box: $a $b $c $d" ;;
      exit) echo "viewer exit code: $a" ;;
    esac
  done
  "$VISTORA_BUILD/wine-run.sh" --session-end
'
if [ -f "$shot" ]; then
  echo "No display: the viewer ran in a virtual X server. Screenshot of its window: $shot"
else
  echo "No display: the viewer showed no window for $picture (nothing to show)."
fi
