# Long runs that give figures rather than pass/fail results: ./run soak, ./run fuzz
# and ./run kill-save. Sourced by ./run (which provides ROOT, WINEPREFIX, log(),
# configure_build and the Wine session). Each prints its figure as its last line.

# shellcheck source=tools/lib.sh
. "$ROOT/tools/lib.sh"

# fig_start_hostsim DIR LOG ARGS...: hostsim.exe of DIR in the background, its output
# into LOG; $! is then the Wine process itself (exec), so that a kill reaches hostsim.
fig_start_hostsim() {
  local dir="$1" log="$2"
  shift 2
  ( cd "$dir" && LANG=en_US.UTF-8 exec wine hostsim.exe "$@" ) > "$log" 2>&1 &
}

# A 320x240 YUY2 clip: a still scene with noise and a box that crosses it and
# rests, so that alarms come and go.
fig_make_clip() {
  local out="$1" frames="$2"
  ffmpeg -v error -y \
    -f lavfi -i "color=c=0x4a5a3a:s=320x240:r=25:d=20,drawbox=x=0:y=170:w=320:h=70:c=0x6b6b5a:t=fill" \
    -f lavfi -i "color=c=0xd04020:s=40x70:r=25:d=20" \
    -filter_complex "[0][1]overlay=x='if(lt(mod(t,8),4),-40+mod(t,8)*90,320)':y=120,noise=alls=4:allf=t,format=yuyv422" \
    -frames:v "$frames" -f rawvideo "$out"
}

# ./run soak [FRAMES]: FRAMES (default 100,000) frames at 320x240 through the DLL as
# fast as hostsim can, switching channels every 1,000 frames, recording on alarms,
# opening and closing the settings dialog every 5,000 frames; the process's private
# bytes, handles and GDI objects after frame 1,000 and at the end.
soak_main() {
  local frames="${1:-100000}"
  local work="$ROOT/build/soak"
  host_folder "$work/host" || return 1
  log "making a 320x240 clip"
  fig_make_clip "$work/clip.yuv" 400 || failed "making the clip (ffmpeg)" || return 1
  write_mask "$work/host" "$work/all_cells.msk" || return 1
  write_settings "$work/soak.ini" "ChannelIdx=1" "MaskFileName=$(wine_path "$work/all_cells.msk")" \
    "RecordEnable=1" "RecordType=2" "RecordPause=1" "Duration=5" "ShowGrid=1" "ShowMask=1" "ShowTime=1"
  local switches="" f=1000 ch=1
  while [ "$f" -lt "$frames" ]; do
    switches+="${switches:+,}$f:$ch"
    ch=$(( 1 - ch )); f=$(( f + 1000 ))
  done
  local args=(--input "$(wine_path "$work/clip.yuv")" --format yuy2 --size 320x240 --loop --frames "$frames"
              --fps 0 --ini "$(wine_path "$work/soak.ini")" --channels "1:0:Camera,2:0:Street"
              --settings-every 5000 --counters-at 1000)
  [ -n "$switches" ] && args+=(--switch "$switches")
  log "playing $frames frames through the plug-in"
  hostsim_in "$work/host" "${args[@]}" > "$work/hostsim.log" 2>&1
  local rc=$?
  grep -v '^soak:' "$work/hostsim.log"
  [ "$rc" -eq 0 ] || failed "playing through hostsim (exit code $rc)" || return 1
  grep '^soak:' "$work/hostsim.log" | tail -n 1
}

# ./run fuzz [SECONDS]: every fuzz target for SECONDS each (default 600), its runs
# and findings. Corpora are kept in build/results/fuzz-TARGET/corpus between runs.
fuzz_main() {
  local seconds="${1:-600}"
  local total=0 findings=0 t
  for t in $(ls "$ROOT/build/fuzz" | grep '_fuzz$'); do
    local dir="$ROOT/build/results/fuzz-$t"
    mkdir -p "$dir/corpus"
    local before
    before=$(ls "$dir" | grep -c -E '^(crash|leak|timeout|oom)-')
    log "fuzz $t (${seconds}s)"
    # shellcheck disable=SC2046
    "$ROOT/build/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix="$dir/" \
      $(cat "$ROOT/fuzz/$t.flags" 2>/dev/null) "$dir/corpus" > "$dir/log-long" 2>&1
    local runs secs found
    runs=$(grep -o 'Done [0-9]* runs' "$dir/log-long" | grep -o '[0-9]*' | tail -n 1)
    secs=$(grep -o 'runs in [0-9]* second' "$dir/log-long" | grep -o '[0-9]*' | tail -n 1)
    found=$(( $(ls "$dir" | grep -c -E '^(crash|leak|timeout|oom)-') - before ))
    [ -n "$runs" ] || { runs=0; found=$(( found > 0 ? found : 1 )); tail -n 20 "$dir/log-long" >&2; }
    secs=${secs:-$seconds}
    printf '%-18s %10s runs in %4s s (%s runs/s), %s finding(s)\n' "$t" "$runs" "$secs" \
      "$(( runs / (secs > 0 ? secs : 1) ))" "$found"
    total=$(( total + runs ))
    findings=$(( findings + found ))
  done
  echo "fuzz: $total runs over all targets at ${seconds} s each, $findings finding(s)"
  [ "$findings" -eq 0 ]
}

# ./run kill-save [N]: N times (default 200) hostsim plays a short clip with a
# settings file and a mask and is killed (SIGKILL) at a random moment, most often
# within a few milliseconds after it starts PluginClose's save. The settings file
# and the mask must each parse and hold either the old or the new contents.
kill_save_main() {
  local n="${1:-200}"
  local work="$ROOT/build/kill-save"
  host_folder "$work/host" || return 1
  fig_make_clip "$work/clip.yuv" 40 || failed "making the clip (ffmpeg)" || return 1
  write_mask "$work/host" "$work/mask.msk" || return 1
  cp "$work/mask.msk" "$work/mask.old"
  local ini="$work/host/Plugins/QPM_QLVGuard.ini"
  # The old file: as a person writes it. The new one: as the plug-in saves it.
  write_settings "$work/old.ini" "ChannelIdx=1" "Sensitive= 7" "MaskFileName=$(wine_path "$work/mask.msk")" \
    "RecordEnable=1" "RecordType=0" "ShowTime=1"
  local args=(--input "$(wine_path "$work/clip.yuv")" --format yuy2 --size 320x240 --fps 0
              --channels "1:0:Camera")
  cp "$work/old.ini" "$ini"
  # The reference run: how long a run takes, and when the save begins in it.
  local begin end markNs=""
  # Gone before the start: the loop below must not find the mark of an earlier run.
  rm -f "$work/reference.log"
  begin=$(date +%s%N)
  fig_start_hostsim "$work/host" "$work/reference.log" "${args[@]}"
  local ref=$!
  while kill -0 "$ref" 2>/dev/null; do
    if [ -z "$markNs" ] && grep -q 'closing the plug-in' "$work/reference.log" 2>/dev/null; then markNs=$(date +%s%N); fi
    sleep 0.001
  done
  wait "$ref" || { cat "$work/reference.log" >&2; failed "the reference run"; return 1; }
  end=$(date +%s%N)
  local runMs=$(( (end - begin) / 1000000 + 1 ))
  local markMs=$(( (${markNs:-$end} - begin) / 1000000 ))
  cp "$ini" "$work/new.ini"
  if cmp -s "$work/old.ini" "$work/new.ini"; then failed "the reference run's save: the file did not change"; return 1; fi

  local i corrupt=0 nearClose=0 old=0 new=0 aim=$markMs aimed step=64 lastMove=0
  for (( i = 1; i <= n; i++ )); do
    cp "$work/old.ini" "$ini"
    cp "$work/mask.old" "$work/mask.msk"
    rm -f "$work/run.log"
    aimed=0
    fig_start_hostsim "$work/host" "$work/run.log" "${args[@]}"
    local pid=$!
    if [ $(( RANDOM % 10 )) -lt 7 ]; then
      # Near the save: around `aim`, which moves earlier after a kill that found the
      # new file and later after one that found the old, so that it settles on
      # the moment the file is replaced (from the reference run's mark on).
      nearClose=$(( nearClose + 1 ))
      aimed=1
      local at=$(( aim - 5 + RANDOM % 11 ))
      [ "$at" -gt 0 ] || at=0
      sleep "$(( at / 1000 )).$(printf '%03d' $(( at % 1000 )))"
    else
      # Anywhere in a run as long as the reference one.
      local at=$(( (RANDOM * 32768 + RANDOM) % runMs ))
      sleep "$(( at / 1000 )).$(printf '%03d' $(( at % 1000 )))"
    fi
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    local verdict=""
    local move=0
    if cmp -s "$ini" "$work/old.ini"; then
      old=$(( old + 1 )); move=1
    elif cmp -s "$ini" "$work/new.ini"; then
      new=$(( new + 1 )); move=-1
    else verdict="settings file corrupt"; fi
    if [ "$aimed" -eq 1 ] && [ "$move" -ne 0 ]; then
      # Halving steps toward the moment of the replacement, never below 2 ms.
      if [ "$lastMove" -ne 0 ] && [ "$move" -ne "$lastMove" ] && [ "$step" -gt 2 ]; then step=$(( step / 2 )); fi
      aim=$(( aim + move * step )); lastMove=$move
    fi
    if ! cmp -s "$work/mask.msk" "$work/mask.old"; then verdict+="${verdict:+, }mask file changed"; fi
    if [ -n "$verdict" ]; then
      corrupt=$(( corrupt + 1 ))
      cp "$ini" "$work/corrupt-$i.ini" 2>/dev/null
      log "run $i: $verdict"
    fi
  done
  wineserver -k 2>/dev/null
  echo "kill-save: $corrupt of $n corrupt ($old old, $new new settings files; $nearClose kills aimed at the save, which settled ${aim} ms into a ${runMs} ms run)"
  [ "$corrupt" -eq 0 ]
}
