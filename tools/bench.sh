#!/usr/bin/env bash
# Speed and memory of the viewer, measured against the floor: a minimal
# GDI+ program that loads, draws, shows and blits (bench/floor.cpp).
# Prints figures; asserts nothing. Usage: tools/bench.sh [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
"$root/tools/bootstrap.sh"
"$root/tools/build.sh" >/dev/null
build="$root/build"
work="$build/bench"
mkdir -p "$work"

# Pictures: a small PNG and a large, noisy (so realistically heavy) JPEG.
[ -f "$work/small.png" ] || convert -size 300x200 gradient:'#3a7bd5-#bfe6ff' \
  -fill '#ffd54a' -draw 'circle 220,50 220,75' "$work/small.png"
[ -f "$work/big.jpg" ] || convert -size 4000x3000 gradient:'#204080-#f0c060' \
  -attenuate 0.4 +noise Gaussian -quality 90 "$work/big.jpg"

export VISTORA_BUILD="$build" VISTORA_WORK="$work" VISTORA_RUNS="$runs"
xvfb-run -a -s "-screen 0 4200x3200x24" bash -c '
  set -u
  "$VISTORA_BUILD/wine-run.sh" --session-start
  run="$VISTORA_BUILD/wine-run.sh"
  driver="$VISTORA_BUILD/tests/vdriver.exe"
  median() { sort -n | awk "{a[NR]=\$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}"; }
  hz=$(getconf CLK_TCK)
  declare -A med times
  for pic in small.png big.jpg; do
    for prog in vistora floor; do  # warm the caches
      "$run" "$driver" time "$VISTORA_BUILD/$prog.exe" "$VISTORA_WORK/$pic" >/dev/null 2>&1 || true
    done
    # Interleaved, so that drift of the machine weighs on both alike.
    for i in $(seq "$VISTORA_RUNS"); do
      for prog in vistora floor; do
        t=$("$run" "$driver" time "$VISTORA_BUILD/$prog.exe" "$VISTORA_WORK/$pic" | tr -d "\r" | awk "/^ms/ {print \$2}")
        times[$prog,$pic]="${times[$prog,$pic]:-} ${t:-nan}"
      done
    done
    for prog in vistora floor; do
      med[$prog,$pic]=$(printf "%s\n" ${times[$prog,$pic]} | median)
      echo "$prog $pic time to picture, ms:${times[$prog,$pic]} (median ${med[$prog,$pic]})"
    done
  done
  for prog in vistora floor; do
    for pic in small.png big.jpg; do
      # Hold the window 5 s: peak resident memory and CPU while idle.
      "$run" "$driver" show "$VISTORA_BUILD/$prog.exe" "$VISTORA_WORK/$pic" 5500 | while read -r word rest; do
        [ "$word" = ready ] || continue
        sleep 0.3
        pid=$(pgrep -n -f "^[A-Z]:[^ ]*\\\\$prog\\.exe( |\$)" || true)
        [ -n "$pid" ] || { echo "  (process not found)"; continue; }
        a=$(awk "{print \$14+\$15}" /proc/$pid/stat)
        sleep 5
        b=$(awk "{print \$14+\$15}" /proc/$pid/stat)
        hwm=$(awk "/^VmHWM/ {print \$2}" /proc/$pid/status)
        echo "$prog $pic peak working set: $((hwm / 1024)) MiB; idle CPU over 5 s: $(awk "BEGIN {printf \"%.1f\", 100*($b-$a)/$hz/5}")% of one core"
      done
    done
  done
  for pic in small.png big.jpg; do
    echo "ratio viewer/floor, $pic: $(awk "BEGIN {printf \"%.2f\", ${med[vistora,$pic]}/${med[floor,$pic]}}")"
  done
  "$VISTORA_BUILD/wine-run.sh" --session-end
'
