# The main job: plays a video through the plug-in in the stand-in host under Wine
# and leaves an annotated video, snapshots, recorded segments and the event log in
# out/demo/. Sourced by ./run (which provides ROOT, WINEPREFIX and log()).
#
# Environment: DEMO_FRAMES (default: the whole scene, 250 of a video), DEMO_FPS
# (default 25; 0 = as fast as possible), DEMO_FORMAT (yuy2 or rgb24, default yuy2),
# DEMO_HOST_DIR (the folder with hostsim.exe and Plugins/, default dist/), DEMO_GUARDS
# (0: no second run of the scene with the light-change guard), DEMO_TUNING (0: no
# calibration run through the detector tuning window), DEMO_INTRUDER (0: no runs of the
# intruder scene), DEMO_SCHEDULE (0: no run under the weekly schedule; only: that run
# alone, none of the others).

# shellcheck source=tools/lib.sh
. "$ROOT/tools/lib.sh"

# The default scene: a still room with sensor noise only for DEMO_WALK_AT seconds (room
# for a quiet calibration run of 5 s after the plug-in's 30-frame warm-up),
# then a figure that walks in from the left (2 s), stands still (3.5 s) and walks out to
# the right (1 s); from frame DEMO_LIGHT_FRAME on the room brightens by 50 luma levels over
# three frames (14, 18, 18) and stays bright. The light comes 2.5 s after the figure left,
# not sooner: the recording pauses two seconds after the figure's last alarm (about frame
# 366) and alarms start nothing for 25 frames after a pause, so an earlier light change
# would only make the recording longer and the host would see nothing of it.
DEMO_WALK_AT=7
DEMO_SCENE_FRAMES=450
DEMO_LIGHT_FRAME=400
DEMO_PICTURE_FRAME=315  # docs/demo_frame.jpg: the figure turns to walk out

# The calibration run: hostsim opens the settings and the tuning window during the
# warm-up, makes the runs 5 s long, learns the quiet scene from the first frame after the
# warm-up (its 5 s end at about frame 156, before the figure comes at frame 175), shows
# the change levels once that run is over and learns the motion as the figure walks in.
# It plays at 25 fps whatever DEMO_FPS says: the runs are timed by the clock, the scene by
# its frames. DEMO_LEVELS_FRAME is the picture with the levels, the figure walking.
DEMO_TUNING_AT=(2:settings 6:tuning 10:text=IDC_TUNE_SECONDS=5 31:press=IDC_TUNE_QUIET
                165:press=IDC_TUNE_LEVELS 180:press=IDC_TUNE_MOTION)
DEMO_TUNING_FRAMES=345  # the motion run's 5 s end at about frame 305
DEMO_LEVELS_FRAME=215
demo_make_scene() {
  local out="$1" frames="$2" pixfmt="$3"
  local d=$(( DEMO_SCENE_FRAMES / 25 )) w="$DEMO_WALK_AT"
  ffmpeg -v error -y \
    -f lavfi -i "color=c=0x4a5a3a:s=720x576:r=25:d=$d,drawbox=x=0:y=400:w=720:h=176:c=0x6b6b5a:t=fill,drawbox=x=80:y=120:w=160:h=220:c=0x2a3a6a:t=fill,drawbox=x=480:y=60:w=180:h=120:c=0xc8c8b4:t=fill" \
    -f lavfi -i "color=c=0xd04020:s=100x180:r=25:d=$d,drawbox=x=20:y=10:w=60:h=50:c=0xe0b090:t=fill" \
    -filter_complex "[0][1]overlay=x='if(lt(t,$w),-120,if(lt(t,$w+2),-120+(t-$w)*200,if(lt(t,$w+5.5),280,280+(t-$w-5.5)*440)))':y=300,eq=eval=frame:brightness='0.2*clip((n-$(( DEMO_LIGHT_FRAME - 1 )))/3,0,1)',noise=alls=6:allf=t,format=$pixfmt" \
    -frames:v "$frames" -f rawvideo "$out"
}

# The intruder scene: the same room, still for 4 s, then someone in dark clothes who creeps
# across it at a quarter of the walking pace (50 pixels a second) and, at DEMO_COVER_AT seconds, a hand over
# the lens from one frame to the next, which stays. Played twice: with the light-change guard
# alone (a sudden dark picture is a light change to it, and the creeper never changes a cell
# enough from one frame to the next), then with the scene memory, the view watch and the busy
# margin as well.
DEMO_CREEP_AT=4
DEMO_COVER_AT=22
DEMO_INTRUDER_FRAMES=725
DEMO_INTRUDER_KEYS=(SceneSeconds=10 ViewLostSeconds=4 BusyMargin=3)
demo_make_intruder_scene() {
  local out="$1" frames="$2" pixfmt="$3"
  local d=$(( DEMO_INTRUDER_FRAMES / 25 + 1 )) c="$DEMO_CREEP_AT" h="$DEMO_COVER_AT"
  ffmpeg -v error -y \
    -f lavfi -i "color=c=0x4a5a3a:s=720x576:r=25:d=$d,drawbox=x=0:y=400:w=720:h=176:c=0x6b6b5a:t=fill,drawbox=x=80:y=120:w=160:h=220:c=0x2a3a6a:t=fill,drawbox=x=480:y=60:w=180:h=120:c=0xc8c8b4:t=fill" \
    -f lavfi -i "color=c=0x303030:s=100x180:r=25:d=$d" \
    -f lavfi -i "color=c=0x302820:s=720x576:r=25:d=$d" \
    -filter_complex "[0][1]overlay=x='if(lt(t,$c),-120,-120+(t-$c)*50)':y=300[room];[room][2]overlay=x='if(lt(t,$h),720,0)':y=0,noise=alls=6:allf=t,format=$pixfmt" \
    -frames:v "$frames" -f rawvideo "$out"
}

# The schedule run: the scene once more, its first DEMO_SCHEDULE_SPLIT frames in an off
# slot (the figure walks in unheeded), the rest in a night slot. The local time comes from
# a TZ of hostsim's own, so that a half-hour boundary falls DEMO_SCHEDULE_LEAD seconds
# after its launch; Wine's start takes longer than that margin only on a starved machine.
# The frames go through a pipe, the off half DEMO_SCHEDULE_MARGIN seconds before the
# boundary and the night half after it, whenever hostsim happens to be ready.
DEMO_SCHEDULE_SPLIT=225
DEMO_SCHEDULE_LEAD=${DEMO_SCHEDULE_LEAD:-180}
DEMO_SCHEDULE_MARGIN=25
DEMO_SCHEDULE_OFF_FRAME=200    # schedule_off_frame.png: the figure walking in, "OFF" shown
DEMO_SCHEDULE_NIGHT_FRAME=315  # schedule_night_frame.png: the figure turning, the moon shown

# demo_sleep_until T: sleeps until the clock reads T (seconds since the epoch).
demo_sleep_until() {
  sleep "$(awk -v t="$1" -v n="$(date +%s.%N)" 'BEGIN { d = t - n; printf "%.2f", (d > 0 ? d : 0) }')"
}

# demo_schedule_line SLOT MODE: a day of the schedule, on in every slot but SLOT.
demo_schedule_line() {
  local line
  line=$(printf '1%.0s' $(seq 48))
  printf '%s%s%s' "${line:0:$1}" "$2" "${line:$(( $1 + 1 ))}"
}

# demo_schedule_keys LOCAL: the schedule keys for the slot before LOCAL off and the slot
# from LOCAL night, LOCAL a half-hour boundary in local seconds since the epoch.
demo_schedule_keys() {
  local names=(ScheduleMon ScheduleTue ScheduleWed ScheduleThu ScheduleFri ScheduleSat ScheduleSun)
  local offDay offSlot nightDay nightSlot
  read -r offDay offSlot < <(date -u -d "@$(( $1 - 1 ))" '+%u %H %M' | awk '{ print $1 - 1, $2 * 2 + int($3 / 30) }')
  read -r nightDay nightSlot < <(date -u -d "@$1" '+%u %H %M' | awk '{ print $1 - 1, $2 * 2 + int($3 / 30) }')
  if [ "$offDay" = "$nightDay" ]; then
    local line
    line=$(demo_schedule_line "$offSlot" 0)
    printf '%s=%s\r\n' "${names[$offDay]}" "${line:0:$nightSlot}2${line:$(( nightSlot + 1 ))}"
  else
    printf '%s=%s\r\n' "${names[$offDay]}" "$(demo_schedule_line "$offSlot" 0)" \
      "${names[$nightDay]}" "$(demo_schedule_line "$nightSlot" 2)"
  fi
}

# demo_schedule_feed RAW FRAME_BYTES CROSSING STATUS: the frames of RAW on standard
# output: the first at once (taken when hostsim is up, the pipe holding less than a
# frame), the off half from CROSSING - DEMO_SCHEDULE_MARGIN, the rest two seconds after
# CROSSING. STATUS gets when hostsim took the first frame and the last of the off half.
demo_schedule_feed() {
  local raw="$1" bytes="$2" crossing="$3" status="$4"
  dd if="$raw" bs="$bytes" count=1 status=none || return 1
  echo "up $(date +%s.%N)" > "$status"
  demo_sleep_until $(( crossing - DEMO_SCHEDULE_MARGIN ))
  dd if="$raw" bs="$bytes" skip=1 count=$(( DEMO_SCHEDULE_SPLIT - 1 )) status=none || return 1
  echo "off $(date +%s.%N)" >> "$status"
  demo_sleep_until $(( crossing + 2 ))
  dd if="$raw" bs="$bytes" skip="$DEMO_SCHEDULE_SPLIT" status=none
}

# demo_schedule_run OUT WORK HOST RAW FRAMES FORMAT SIZE PIXFMT FRAME_BYTES FPS: the
# schedule run into OUT/schedule/, its two pictures into OUT; prints the schedule line and
# fails on an alarm while off, on none at night, or when the crossing missed the split.
demo_schedule_run() {
  local out="$1" work="$2" host="$3" raw="$4" frames="$5" format="$6" size="$7" pixfmt="$8" frameBytes="$9" fps="${10}"
  local dir="$out/schedule/host" status="$work/schedule_feed.txt"
  mkdir -p "$dir" || return 1
  local launch crossing offset
  launch=$(date +%s)
  crossing=$(( launch + DEMO_SCHEDULE_LEAD ))
  # local = UTC + offset, a boundary at the crossing; the minus of "QLV-" means east.
  offset=$(( (1800 - crossing % 1800) % 1800 ))
  local tz
  tz=$(printf 'QLV-00:%02d:%02d' $(( offset / 60 )) $(( offset % 60 )))
  { cat "$work/demo.ini" && demo_schedule_keys $(( crossing + offset )); } > "$work/schedule.ini"
  log "playing the scene again under a schedule: off, then night from frame $DEMO_SCHEDULE_SPLIT (TZ=$tz, the boundary at $(date -u -d "@$crossing" +%T) UTC)"
  demo_schedule_feed "$raw" "$frameBytes" "$crossing" "$status" |
    TZ="$tz" demo_play "$work/schedule.ini" "$dir" "$host" --input - --format "$format" --size "$size" \
      --frames "$frames" --fps "$fps" --channels "1:0:Camera 1" --progress --save-frames || return 1
  local up offRead
  up=$(awk '$1 == "up" { print $2 }' "$status" 2>/dev/null)
  offRead=$(awk '$1 == "off" { print $2 }' "$status" 2>/dev/null)
  if [ -z "$offRead" ] || ! awk -v o="$offRead" -v c="$crossing" 'BEGIN { exit !(o < c - 1) }'; then
    failed "the schedule run: hostsim was up $(awk -v u="$up" -v l="$launch" 'BEGIN { printf "%.0f", u - l }') s after its launch and had the off half at $offRead, too late for the boundary at $crossing; try a larger DEMO_SCHEDULE_LEAD"
    return 1
  fi
  demo_still "$dir/frames.raw" "$DEMO_SCHEDULE_OFF_FRAME" "$frameBytes" "$size" "$pixfmt" "$out/schedule_off_frame.png" ||
    log "could not make schedule_off_frame.png"
  demo_still "$dir/frames.raw" "$DEMO_SCHEDULE_NIGHT_FRAME" "$frameBytes" "$size" "$pixfmt" "$out/schedule_night_frame.png" ||
    log "could not make schedule_night_frame.png"
  rm -f "$dir/frames.raw"
  cp "$dir/events.csv" "$out/schedule/events.csv" 2>/dev/null
  local off night
  off=$(demo_alarms "$dir/events.csv" 0 "$DEMO_SCHEDULE_SPLIT")
  night=$(demo_alarms "$dir/events.csv" "$DEMO_SCHEDULE_SPLIT" 2147483647)
  echo
  echo "schedule: $off alarms while off, $night at night"
  echo "  $out/schedule/   (events.csv, host/; schedule_off_frame.png: frame $DEMO_SCHEDULE_OFF_FRAME, schedule_night_frame.png: frame $DEMO_SCHEDULE_NIGHT_FRAME)"
  [ "$off" -eq 0 ] || failed "the schedule check: alarms while off (events: $dir/events.csv)" || return 1
  [ "$night" -gt 0 ] || failed "the schedule check: no alarm at night (events: $dir/events.csv)" || return 1
}

# Decodes any video ffmpeg reads into raw frames no larger than 720x576 (even sizes).
# Prints "WIDTHxHEIGHT".
demo_decode_video() {
  local in="$1" out="$2" frames="$3" pixfmt="$4"
  local size
  size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$in") || return 1
  local w="${size%x*}" h="${size#*x}"
  [ -n "$w" ] && [ -n "$h" ] || return 1
  local nw="$w" nh="$h"
  if [ "$nw" -gt 720 ] || [ "$nh" -gt 576 ]; then
    # Fit inside 720x576, keeping the proportions.
    if [ $(( w * 576 )) -gt $(( h * 720 )) ]; then nw=720; nh=$(( h * 720 / w )); else nh=576; nw=$(( w * 576 / h )); fi
  fi
  nw=$(( nw / 2 * 2 )); nh=$(( nh / 2 * 2 ))
  ffmpeg -v error -y -i "$in" -an -vf "scale=${nw}:${nh},format=$pixfmt" -frames:v "$frames" -f rawvideo "$out" || return 1
  echo "${nw}x${nh}"
}

demo_write_ini() {
  local ini="$1" mask="$2" wav="$3"
  write_settings "$ini" \
    "ChannelIdx=1" \
    "MaskFileName=$mask" \
    "Sensitive=10" \
    "FrameCounter=3" \
    "Duration=2" \
    "ControlY=1" \
    "RecordEnable=1" \
    "RecordType=2" \
    "RecordPause=1" \
    "SoundEnable=1" \
    "SoundRepeatEnable=0" \
    "SoundFileName=$wav" \
    "ShowGrid=1" \
    "ShowMask=1" \
    "ShowTime=1" \
    "RecShowGrid=1" \
    "RecShowMask=1" \
    "RecShowTime=1"
}

# demo_mp4 OUT INPUT_OPTIONS...: an mp4 anyone can open, with x264, or MPEG-4 part 2
# where ffmpeg has no x264.
demo_mp4() {
  local out="$1"
  shift
  ffmpeg -v error -y "$@" -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p -movflags +faststart "$out" 2>/dev/null ||
    ffmpeg -v error -y "$@" -c:v mpeg4 -q:v 3 -pix_fmt yuv420p "$out"
}

demo_main() {
  local video="${1:-}"
  local frames="${DEMO_FRAMES:-}" fps="${DEMO_FPS:-25}" format="${DEMO_FORMAT:-yuy2}"
  local pixfmt=yuyv422
  [ "$format" = rgb24 ] && pixfmt=bgr24
  if [ -z "$frames" ]; then
    frames=250
    [ -z "$video" ] && frames="$DEMO_SCENE_FRAMES"
  fi
  local out="$ROOT/out/demo" work="$ROOT/out/demo/work"
  if [ -n "$video" ] && [ ! -f "$video" ]; then
    failed "no such video: $video"
    return 1
  fi
  { rm -rf "$out" && mkdir -p "$work" "$out/host"; } || failed "making $out" || return 1

  local size
  if [ -n "$video" ]; then
    log "decoding $video"
    size=$(demo_decode_video "$video" "$work/input.raw" "$frames" "$pixfmt") || failed "decoding $video (ffmpeg)" || return 1
  else
    log "generating the default scene (720x576, $frames frames)"
    demo_make_scene "$work/input.raw" "$frames" "$pixfmt" || failed "generating the scene (ffmpeg)" || return 1
    size=720x576
  fi
  local frameBytes
  local w="${size%x*}" h="${size#*x}"
  if [ "$format" = rgb24 ]; then frameBytes=$(( w * h * 3 )); else frameBytes=$(( w * h * 2 )); fi
  local inputFrames=$(( $(stat -c %s "$work/input.raw") / frameBytes ))
  [ "$inputFrames" -gt 0 ] || failed "the video has no frames" || return 1

  local host="${DEMO_HOST_DIR:-$ROOT/dist}"
  write_mask "$host" "$work/all_cells.msk" || return 1
  ffmpeg -v error -y -f lavfi -i "sine=frequency=880:duration=0.4" -ac 1 -ar 22050 "$work/alarm.wav" ||
    failed "making the alarm sound (ffmpeg)" || return 1
  demo_write_ini "$work/demo.ini" "$(wine_path "$work/all_cells.msk")" "$(wine_path "$work/alarm.wav")"

  local play=("$host" --input "$(wine_path "$work/input.raw")" --format "$format" --size "$size"
              --frames "$inputFrames" --fps "$fps" --channels "1:0:Camera 1" --progress)
  local schedule="${DEMO_SCHEDULE:-1}"
  if [ -n "$video" ]; then
    schedule=0
  elif [ "$schedule" != 0 ] && [ "$inputFrames" -le "$DEMO_SCHEDULE_NIGHT_FRAME" ]; then
    log "no schedule run: it needs the scene's first $(( DEMO_SCHEDULE_NIGHT_FRAME + 1 )) frames"
    schedule=0
  fi
  local rate=25
  [ "$fps" != 0 ] && rate="$fps"
  if [ "$schedule" != only ]; then
    log "playing $inputFrames frames through the plug-in (Wine starts slowly here; please wait)"
    demo_play "$work/demo.ini" "$out/host" "${play[@]}" --save-frames || return 1
    cat "$out/host/hostsim.log"

    demo_collect "$out" "$size" "$pixfmt" "$rate"
    if [ -z "$video" ] && [ "$inputFrames" -gt "$DEMO_PICTURE_FRAME" ]; then
      demo_still "$out/host/frames.raw" "$DEMO_PICTURE_FRAME" "$frameBytes" "$size" "$pixfmt" "$out/demo_frame.jpg" ||
        log "could not make demo_frame.jpg"
    fi
    rm -f "$out/host/frames.raw"
    demo_summary "$out"
  fi

  local guards=1
  if [ -n "$video" ] || [ "${DEMO_GUARDS:-1}" = 0 ] || [ "$schedule" = only ]; then
    guards=0
  elif [ "$inputFrames" -lt $(( DEMO_LIGHT_FRAME + 3 )) ] || ! awk -v f="$fps" 'BEGIN { exit !(f > 0 && f <= 25) }'; then
    # Faster than real time, the recording would not pause before the light change.
    log "no run with the light-change guard: it needs the whole scene at no more than 25 fps"
    guards=0
  fi
  if [ "$guards" = 1 ]; then
    # The same settings and one key more.
    { cat "$work/demo.ini" && printf 'LightChangePercent=50\r\n'; } > "$work/guards.ini"
    mkdir -p "$out/guards/host"
    log "playing the scene again with LightChangePercent=50"
    demo_play "$work/guards.ini" "$out/guards/host" "${play[@]}" || return 1
    demo_collect "$out/guards" "$size" "$pixfmt" "$rate"
  fi

  local tuning=1
  if [ -n "$video" ] || [ "${DEMO_TUNING:-1}" = 0 ] || [ "$schedule" = only ]; then
    tuning=0
  elif [ "$inputFrames" -lt "$DEMO_TUNING_FRAMES" ]; then
    log "no calibration run: it needs the scene's first $DEMO_TUNING_FRAMES frames"
    tuning=0
  fi
  if [ "$tuning" = 1 ]; then
    local at=() a
    for a in "${DEMO_TUNING_AT[@]}"; do at+=(--at "$a"); done
    mkdir -p "$out/tuning/host"
    log "playing the scene again while the detector tuning window learns it"
    demo_play "$work/demo.ini" "$out/tuning/host" "$host" --input "$(wine_path "$work/input.raw")" --format "$format" \
      --size "$size" --frames "$DEMO_TUNING_FRAMES" --fps 25 --channels "1:0:Camera 1" --progress --save-frames \
      "${at[@]}" || return 1
    demo_still "$out/tuning/host/frames.raw" "$DEMO_LEVELS_FRAME" "$frameBytes" "$size" "$pixfmt" \
      "$out/levels_frame.png" || failed "making levels_frame.png" || return 1
    rm -f "$out/tuning/host/frames.raw"
  fi
  local intruder=1
  if [ -n "$video" ] || [ "${DEMO_INTRUDER:-1}" = 0 ] || [ "$schedule" = only ]; then
    intruder=0
  elif ! awk -v f="$fps" 'BEGIN { exit !(f > 0 && f <= 25) }'; then
    log "no runs of the intruder scene: they need no more than 25 fps"
    intruder=0
  fi
  if [ "$intruder" = 1 ]; then
    log "generating the intruder scene (720x576, $DEMO_INTRUDER_FRAMES frames)"
    demo_make_intruder_scene "$work/intruder.raw" "$DEMO_INTRUDER_FRAMES" "$pixfmt" ||
      failed "generating the intruder scene (ffmpeg)" || return 1
    local iplay=("$host" --input "$(wine_path "$work/intruder.raw")" --format "$format" --size 720x576
                 --frames "$DEMO_INTRUDER_FRAMES" --fps "$fps" --channels "1:0:Camera 1" --progress)
    { cat "$work/demo.ini" && printf 'LightChangePercent=50\r\n'; } > "$work/intruder_guard.ini"
    { cat "$work/intruder_guard.ini" && printf '%s\r\n' "${DEMO_INTRUDER_KEYS[@]}"; } > "$work/intruder_on.ini"
    mkdir -p "$out/intruder/guard/host" "$out/intruder/on/host"
    log "playing the intruder scene with LightChangePercent=50"
    demo_play "$work/intruder_guard.ini" "$out/intruder/guard/host" "${iplay[@]}" || return 1
    log "playing the intruder scene with ${DEMO_INTRUDER_KEYS[*]} as well"
    demo_play "$work/intruder_on.ini" "$out/intruder/on/host" "${iplay[@]}" --save-frames || return 1
    demo_still "$out/intruder/on/host/frames.raw" $(( (DEMO_COVER_AT + 5) * 25 )) "$frameBytes" \
      720x576 "$pixfmt" "$out/view_lost_frame.png" || log "could not make view_lost_frame.png"
    rm -f "$out/intruder/on/host/frames.raw"
    cp "$out/intruder/guard/host/events.csv" "$out/intruder/guard/events.csv"
    cp "$out/intruder/on/host/events.csv" "$out/intruder/on/events.csv"
  fi
  local scheduleOk=0
  if [ "$schedule" != 0 ]; then
    demo_schedule_run "$out" "$work" "$host" "$work/input.raw" "$inputFrames" "$format" "$size" "$pixfmt" \
      "$frameBytes" "$fps" || scheduleOk=1
  fi
  [ -n "${DEMO_KEEP_WORK:-}" ] || rm -f "$work/input.raw" "$work/intruder.raw"
  local ok="$scheduleOk"
  if [ "$guards" = 1 ]; then demo_check_guard "$out/events.csv" "$out/guards/events.csv" || ok=1; fi
  if [ "$tuning" = 1 ]; then demo_check_calibration "$out/tuning/host/hostsim.log" || ok=1; fi
  if [ "$intruder" = 1 ]; then demo_check_intruder "$out/intruder/guard/events.csv" "$out/intruder/on/events.csv" || ok=1; fi
  return "$ok"
}

# demo_still RAW FRAME FRAME_BYTES SIZE PIXFMT OUT: frame FRAME of the raw frames RAW as a
# picture (PNG or JPEG by OUT's name).
demo_still() {
  local raw="$1" frame="$2" bytes="$3" size="$4" pixfmt="$5" out="$6"
  dd if="$raw" bs="$bytes" skip="$frame" count=1 status=none |
    ffmpeg -v error -y -f rawvideo -pix_fmt "$pixfmt" -s "$size" -i - -frames:v 1 -q:v 3 "$out" && [ -s "$out" ]
}

# demo_check_calibration LOG: the tuning window's verdict on the scene, from the result
# line hostsim printed; fails unless it proposes a sensitivity.
demo_check_calibration() {
  local line p q w
  line=$(grep -m 1 '^tuning result: ' "$1")
  read -r p q w < <(sed -n -E \
    's/.*Sensitivity ([0-9]+): the quiet scene stays quiet up to ([0-9]+), the walk is caught from ([0-9]+).*/\1 \2 \3/p' \
    <<< "$line")
  echo
  if [ -z "$p" ]; then
    log "no proposal for the demo's own scene: ${line:-no tuning result in the log}"
    failed "the calibration check (log: $1)"
    return 1
  fi
  echo "calibration: quiet up to $q, walk caught from $w, proposal: Sensitivity $p"
  local dir
  dir=$(dirname "$(dirname "$1")")
  echo "  $dir/   (that third run: host/hostsim.log)"
  echo "  $(dirname "$dir")/levels_frame.png   (frame $DEMO_LEVELS_FRAME of it, the change levels shown)"
}

# demo_play INI DIR HOST ARGS...: hostsim.exe of the host folder HOST under Wine with the
# settings INI and ARGS, its output files and log (hostsim.log) in DIR.
demo_play() {
  local ini="$1" dir="$2" host="$3"
  shift 3
  local args=("$@" --ini "$(wine_path "$ini")" --out "$(wine_path "$dir")")
  { printf '   wine hostsim.exe'; printf ' %q' "${args[@]}"; printf '\n'; } >&2
  hostsim_in "$host" "${args[@]}" > "$dir/hostsim.log"
  local rc=$?
  wineserver -k 2>/dev/null || true
  [ "$rc" -eq 0 ] || { cat "$dir/hostsim.log"; failed "playing through hostsim (exit code $rc)"; }
}

# demo_alarms EVENTS FIRST END: the alarms that commanded the host at frames FIRST to
# END - 1 (recording starts, resumes and snapshots, by the names hostsim logs them by).
demo_alarms() {
  awk -F, -v first="$2" -v end="$3" \
    'NR > 1 && $1 >= first && $1 < end && ($4 ~ /^start / || $4 == "resume recording" || $4 == "snapshot")' "$1" | wc -l
}

# demo_check_guard EVENTS GUARD_EVENTS: one line per run with its alarms at the figure
# (before DEMO_LIGHT_FRAME) and at the light change; fails unless the figure alarms in
# both runs and the light change only without the guard.
demo_check_guard() {
  local end=2147483647
  local figure light guardFigure guardLight
  figure=$(demo_alarms "$1" 0 "$DEMO_LIGHT_FRAME")
  light=$(demo_alarms "$1" "$DEMO_LIGHT_FRAME" "$end")
  guardFigure=$(demo_alarms "$2" 0 "$DEMO_LIGHT_FRAME")
  guardLight=$(demo_alarms "$2" "$DEMO_LIGHT_FRAME" "$end")
  echo
  echo "defaults: $figure alarms at the figure, $light at the light change"
  echo "LightChangePercent=50: $guardFigure alarms at the figure, $guardLight at the light change"
  local ok=1
  if [ "$figure" -eq 0 ] || [ "$guardFigure" -eq 0 ]; then log "the figure did not alarm in both runs"; ok=0; fi
  if [ "$light" -eq 0 ]; then log "the light change did not alarm with the defaults"; ok=0; fi
  if [ "$guardLight" -ne 0 ]; then log "the light change alarmed with LightChangePercent=50"; ok=0; fi
  [ "$ok" = 1 ] || failed "the light-change check (events: $1, $2)" || return 1
  echo "  $(dirname "$2")/   (that second run: events.csv, recordings/, host/)"
}

# demo_first_alarm EVENTS FIRST END: the seconds (one decimal) of the first alarm that
# commanded the host at frames FIRST to END - 1; empty when there was none.
demo_first_alarm() {
  awk -F, -v first="$2" -v end="$3" \
    'NR > 1 && $1 >= first && $1 < end && ($4 ~ /^start / || $4 == "resume recording" || $4 == "snapshot") { printf "%.1f", $1 / 25; exit }' "$1"
}

# demo_check_intruder GUARD_EVENTS ON_EVENTS: one line per run of the intruder scene, with
# what it made of the creeper (before the cover) and of the covered lens; fails unless the
# guard alone misses both and the options catch both.
demo_check_intruder() {
  local creepFrom=$(( DEMO_CREEP_AT * 25 )) coverFrom=$(( DEMO_COVER_AT * 25 )) end=2147483647
  local gCreep gCover oCreep oCover
  gCreep=$(demo_first_alarm "$1" "$creepFrom" "$coverFrom")
  gCover=$(demo_first_alarm "$1" "$coverFrom" "$end")
  oCreep=$(demo_first_alarm "$2" "$creepFrom" "$coverFrom")
  oCover=$(demo_first_alarm "$2" "$coverFrom" "$end")
  echo
  # ${x:+…} alone: ${x:-…} would print the value itself when it is set.
  local gCreepSaid="${gCreep:+caught at $gCreep s}" gCoverSaid="${gCover:+caught at $gCover s}"
  local oCreepSaid="${oCreep:+caught at $oCreep s}" oCoverSaid="${oCover:+at $oCover s}"
  echo "LightChangePercent=50: creeper ${gCreepSaid:-missed}, covered lens ${gCoverSaid:-missed}"
  echo "LightChangePercent=50 ${DEMO_INTRUDER_KEYS[*]}: creeper ${oCreepSaid:-missed}, view lost ${oCoverSaid:-never}"
  local ok=1
  if [ -n "$gCreep" ] || [ -n "$gCover" ]; then log "the light-change guard alone caught the creeper or the cover"; ok=0; fi
  if [ -z "$oCreep" ] || [ -z "$oCover" ]; then log "the scene memory and the view watch missed the creeper or the cover"; ok=0; fi
  [ "$ok" = 1 ] || failed "the intruder check (events: $1, $2)" || return 1
  echo "  $(dirname "$(dirname "$2")")/   (guard/ and on/: events.csv, host/; view_lost_frame.png: $(( DEMO_COVER_AT + 5 )) s into the second run)"
}

# Turns hostsim's output into files anyone can open: the annotated video, PNG
# snapshots and mp4 segments.
demo_collect() {
  local out="$1" size="$2" pixfmt="$3" rate="$4"
  log "encoding the results"
  if [ -s "$out/host/frames.raw" ]; then
    demo_mp4 "$out/annotated.mp4" -f rawvideo -pix_fmt "$pixfmt" -s "$size" -r "$rate" -i "$out/host/frames.raw" ||
      log "could not encode annotated.mp4"
  fi
  mkdir -p "$out/snapshots" "$out/recordings"
  local f n
  for f in "$out"/host/*.bmp; do
    [ -e "$f" ] || continue
    n=$(basename "$f" .bmp)
    ffmpeg -v error -y -i "$f" "$out/snapshots/$n.png" && rm -f "$f"
  done
  for f in "$out"/host/*.avi; do
    [ -e "$f" ] || continue
    n=$(basename "$f" .avi)
    demo_mp4 "$out/recordings/$n.mp4" -i "$f"
    [ -s "$out/recordings/$n.mp4" ] && rm -f "$f"
  done
  # A still of the annotated video at every frame whose alarm commanded the host.
  if [ -f "$out/annotated.mp4" ] && [ -f "$out/host/events.csv" ]; then
    local frame
    for frame in $(awk -F, 'NR > 1 && ($4 == "snapshot" || $4 ~ /^start / || $4 == "resume recording") { print $1 }' \
                   "$out/host/events.csv" | sort -un); do
      ffmpeg -v error -y -i "$out/annotated.mp4" -vf "select=eq(n\\,$frame)" -frames:v 1 \
        "$out/snapshots/alarm_frame_$(printf %04d "$frame").png"
    done
  fi
  cp "$out/host/events.csv" "$out/events.csv" 2>/dev/null
}

demo_summary() {
  local out="$1"
  local played processed starts resumes pauses stops snaps
  played=$(( $(wc -l < "$out/host/frames.csv") - 1 ))
  processed=$(awk -F, 'NR > 1 && $2 != 0' "$out/host/frames.csv" | wc -l)
  # Commands by the names hostsim gives them: every start is "start ...", every stop "stop ...".
  count() { awk -F, -v name="$1" 'NR > 1 && $4 ~ name' "$out/host/events.csv" | wc -l; }
  starts=$(count '^start '); stops=$(count '^stop ')
  resumes=$(count '^resume recording$'); pauses=$(count '^pause recording$'); snaps=$(count '^snapshot$')
  echo
  echo "Demo summary"
  echo "  frames:      $played played, $processed processed by the plug-in"
  echo "  alarms:      $(( starts + resumes + snaps )) that commanded the host ($starts recording starts, $resumes resumes, $snaps snapshots)"
  echo "  recordings:  $(ls "$out"/recordings/*.mp4 2>/dev/null | wc -l) segment(s) ($pauses pauses, $stops stops)"
  awk -F, 'NR > 1 && ($1 == "video" || $1 == "kind3") { sub(/\.avi$/, ".mp4", $2); printf "               recordings/%s: frames %s-%s (%s frames)\n", $2, $3, $4, $5 }' \
    "$out/host/recordings.csv" 2>/dev/null
  echo "  snapshots:   $(ls "$out"/snapshots/snapshot_*.png "$out"/snapshots/sequence_*.png 2>/dev/null | wc -l) taken by the host, $(ls "$out"/snapshots/alarm_frame_*.png 2>/dev/null | wc -l) stills of alarm frames"
  echo "  files:"
  [ -f "$out/annotated.mp4" ] && echo "    $out/annotated.mp4   (every frame as the plug-in left it)"
  [ -f "$out/demo_frame.jpg" ] && echo "    $out/demo_frame.jpg  (frame $DEMO_PICTURE_FRAME of it, the README's picture)"
  echo "    $out/recordings/     (segments the host recorded on command)"
  echo "    $out/snapshots/      (snapshots the host took on command; alarm_frame_N.png: annotated frame N)"
  echo "    $out/events.csv      (frame,tick,command,name of every host command)"
  echo "    $out/host/           (frames.csv, recordings.csv, hostsim's raw output)"
}
