#!/usr/bin/env bash
# Pictures of the settings dialog, the detector tuning window and the video with the
# change levels and with "View lost" for docs/: run by ./run shots on its X display.
# Usage: tools/shots.sh BUILD_DIR OUT_DIR
# SHOTS_ONLY=main,schedule takes only those pictures (see dialog_shots_win32.cpp), in both
# languages; "tuning" stands for all of the tuning window's and its video frames.
# For English (host answer 1033, western code page) and Russian (0x419, code page 1251)
# it starts dialog_shots.exe, and for every "shot NAME X Y W H" line it prints grabs that
# rectangle of the X screen with ffmpeg into OUT_DIR/NAME.png, for every "frame NAME W H
# FILE" line converts that YUY2 frame into OUT_DIR/NAME.png, then lets it go on.
set -uo pipefail

build="$1"
out="$2"
mkdir -p "$out"
: "${DISPLAY:?needs an X display (./run shots starts one)}"

grab_language() {
  local lang_id="$1" prefix="$2" locale="$3"
  local line word="" name x y w h shots=0
  coproc SHOTS { cd "$build" && LANG="$locale" exec wine dialog_shots.exe "$lang_id" "$prefix" ${SHOTS_ONLY:+"$SHOTS_ONLY"} 2>&1; }
  local pid="$SHOTS_PID"  # bash forgets it once the program has ended
  # Wine's helper processes may keep the pipe open after the program ends: stop at
  # "done", or when the program says nothing for five minutes (a start alone takes a
  # minute and more where Wine runs under an emulator).
  while IFS= read -r -t 300 line <&"${SHOTS[0]}"; do
    line="${line%$'\r'}"
    read -r word name x y w h <<< "$line"
    case "$word" in
      shot)
        # Whatever part lies off the screen is not in the picture.
        if [ "$x" -lt 0 ]; then w=$((w + x)); x=0; fi
        if [ "$y" -lt 0 ]; then h=$((h + y)); y=0; fi
        if ffmpeg -nostdin -loglevel error -y -f x11grab -video_size "${w}x${h}" -i "$DISPLAY+$x,$y" -frames:v 1 \
            "$out/$name.png"; then
          echo "   $out/$name.png (${w}x${h})" >&2
          shots=$((shots + 1))
        fi
        echo next >&"${SHOTS[1]}"
        ;;
      frame)
        # "frame NAME W H FILE": a YUY2 video frame the program wrote beside itself.
        if ffmpeg -nostdin -loglevel error -y -f rawvideo -pix_fmt yuyv422 -video_size "${x}x${y}" -i "$build/$w" \
            -frames:v 1 "$out/$name.png"; then
          echo "   $out/$name.png (${x}x${y})" >&2
          shots=$((shots + 1))
        fi
        echo next >&"${SHOTS[1]}"
        ;;
      done) break ;;
      *) echo "   dialog_shots: $line" >&2 ;;
    esac
  done
  local rc=1
  if [ "$word" = done ]; then
    wait "$pid"
    rc=$?
  else
    echo "   dialog_shots gave no answer" >&2
    kill "$pid" 2>/dev/null
  fi
  [ "$rc" -eq 0 ] && [ "$shots" -eq "$expected" ]
}

# Five tab pictures, the tuning window's six and its three frames, the schedule window.
expected=15
if [ -n "${SHOTS_ONLY:-}" ]; then
  expected=0
  IFS=, read -r -a names <<< "$SHOTS_ONLY"
  for n in "${names[@]}"; do
    if [ "$n" = tuning ]; then expected=$((expected + 9)); else expected=$((expected + 1)); fi
  done
fi
ok=0
grab_language 1033 settings_en en_US.UTF-8 || ok=1
grab_language 0x419 settings_ru ru_RU.UTF-8 || ok=1
exit "$ok"
