#!/usr/bin/env bash
# Speed and memory of the viewer, measured against the floor: a minimal
# GDI+ program that loads, draws, shows and blits (bench/floor.cpp).
# Prints figures; asserts nothing.
#   tools/bench.sh [runs] [--large] [--pictures]
# --large adds phone-photo sizes (48, 108 and 200 megapixels), one run each:
# whether each program shows the picture, says so in a box, or neither.
# --pictures makes the pictures and stops (tools/vm-i686.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The 32-bit product, or the 64-bit build where the kernel cannot run
# 32-bit programs (tools/arch.sh): its figures are not the product's.
# Installed first: which build runs here is known only then.
if [[ " $* " != *" --inside "* ]]; then "$root/tools/bootstrap.sh"; fi
arch=$("$root/tools/arch.sh")
build=$("$root/tools/build-dir.sh" "$arch")
work="$build/bench"
run="$build/wine-run.sh"
driver="$build/tools/vdriver/vdriver.exe"

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# ImageMagick's default policy refuses pictures over 128 megapixels.
magick_policy() {
  local dir="$work/magick"
  mkdir -p "$dir"
  sed -E -e 's/(name="area" value=")[^"]*/\116GP/' \
         -e 's/(name="(memory|map|disk)" value=")[^"]*/\164GiB/' \
         -e 's/(name="(width|height)" value=")[^"]*/\164KP/' \
         /etc/ImageMagick-6/policy.xml >"$dir/policy.xml"
  export MAGICK_CONFIGURE_PATH="$dir"
}

# A noisy (so realistically heavy) JPEG photo of the given size.
photo() {
  local file="$work/$1" size=$2
  [ -f "$file" ] || convert -size "$size" gradient:'#204080-#f0c060' \
    -attenuate 0.4 +noise Gaussian -quality 90 "$file"
}

make_pictures() {
  mkdir -p "$work"
  [ -f "$work/small.png" ] || convert -size 300x200 gradient:'#3a7bd5-#bfe6ff' \
    -fill '#ffd54a' -draw 'circle 220,50 220,75' "$work/small.png"
  photo big.jpg 4000x3000
  if [ "$large" = 1 ]; then
    magick_policy
    photo 48mp.jpg 8000x6000
    photo 108mp.jpg 12000x9000
    photo 200mp.jpg 16320x12240
  fi
}

time_once() {  # program picture -> milliseconds, or "nan"
  local t
  t=$("$run" "$driver" time "$build/$1.exe" "$work/$2" 2>/dev/null | tr -d '\r' | awk '/^ms/ {print $2}') || true
  echo "${t:-nan}"
}

# Time to picture, viewer and floor interleaved so that drift of the
# machine weighs on both alike.
time_pictures() {
  local pic prog i
  declare -gA med
  for pic in small.png big.jpg; do
    for prog in vistora floor; do time_once "$prog" "$pic" >/dev/null; done  # warm the caches
    declare -A times=()
    for i in $(seq "$runs"); do
      for prog in vistora floor; do times[$prog]="${times[$prog]:-} $(time_once "$prog" "$pic")"; done
    done
    for prog in vistora floor; do
      med[$prog,$pic]=$(printf '%s\n' ${times[$prog]} | median)
      echo "$prog $pic time to picture, ms:${times[$prog]} (median ${med[$prog,$pic]})"
    done
  done
}

# Holds the window 5 s from the driver's word that the picture shows: the
# driver reports the program's processor time over those 5 s and its peak
# working set; or what the program said instead of showing the picture.
hold() {  # program picture
  local word rest window="" held="" cpu peak
  "$run" "$driver" show "$build/$1.exe" "$work/$2" 5000 | stdbuf -oL tr -d '\r' | while read -r word rest; do
    case "$word" in
      box) echo "$1 $2: message box \"$rest\"" ;;
      ready) window=$rest ;;
      held)
        held=$rest
        read -r cpu peak <<<"$rest"
        echo "$1 $2: window $window; peak working set $peak MiB;" \
             "idle CPU over 5 s $(awk "BEGIN {printf \"%.1f\", $cpu / 50}")% of one core" ;;
      exit)
        if [ -n "$window" ] && [ -z "$held" ]; then
          echo "$1 $2: window $window; (the process ended before it was measured)"
        fi ;;
    esac
  done || echo "$1 $2: the driver could not end it as a user would (said above)"
}

inside() {  # runs in the virtual X server
  "$run" --session-start
  time_pictures
  local prog pic
  for prog in vistora floor; do
    for pic in small.png big.jpg; do hold "$prog" "$pic"; done
  done
  if [ "$large" = 1 ]; then
    for pic in 48mp.jpg 108mp.jpg 200mp.jpg; do
      for prog in vistora floor; do
        hold "$prog" "$pic"
        echo "$prog $pic time to picture: $(time_once "$prog" "$pic") ms"
      done
    done
  fi
  for pic in small.png big.jpg; do
    echo "ratio viewer/floor, $pic: $(awk "BEGIN {printf \"%.2f\", ${med[vistora,$pic]}/${med[floor,$pic]}}")"
  done
  "$run" --session-end
}

runs=11
large=0
pictures_only=0
for arg in "$@"; do
  case "$arg" in
    --large) large=1 ;;
    --pictures) pictures_only=1 ;;
    --inside) ;;
    *) runs=$arg ;;
  esac
done

if [ "${1:-}" = --inside ] || [[ " $* " == *" --inside "* ]]; then
  inside
  exit 0
fi
"$root/tools/build.sh" "$arch" >/dev/null
echo "bench: the $arch build"
make_pictures
if [ "$pictures_only" = 1 ]; then exit 0; fi
# With --large, a screen on which a 16320 x 12240 window is seen whole.
screen=4200x3200x24
[ "$large" = 1 ] && screen=16400x12300x24
xvfb-run -a -s "-screen 0 $screen" bash "$0" --inside "$runs" $([ "$large" = 1 ] && echo --large)
