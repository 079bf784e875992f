# ./run bench: the kernel rows of the native and the i686 build, the peer row with the
# common vision library, and the DLL as the host runs it (hostsim --timing), in one
# table. Sourced by ./run (which provides ROOT, JOBS, log(), configure_build and the
# Wine session).

# shellcheck source=tools/lib.sh
. "$ROOT/tools/lib.sh"

bench_setup() {
  # Only the benchmark needs these: ./run test never installs them.
  apt_install "installing for the benchmark" "./run bench" libopencv-dev libbenchmark-dev dpkg-dev || return 1
  bench_build_gbench_i686 || failed "building Google Benchmark for i686" || return 1
  # A build configured before the libraries were there looks for them again.
  if grep -q -e '^OpenCV_DIR:PATH=.*NOTFOUND' -e '^benchmark_DIR:PATH=.*NOTFOUND' build/native/CMakeCache.txt 2>/dev/null; then
    cmake --preset native -U OpenCV_DIR -U benchmark_DIR >/dev/null || failed "configuring the native preset again" || return 1
  fi
  if grep -q "^benchmark_DIR:PATH=.*NOTFOUND" build/win32-bench/CMakeCache.txt 2>/dev/null; then
    cmake --preset win32-bench -U benchmark_DIR >/dev/null || failed "configuring the win32-bench preset again" || return 1
  fi
}

# Google Benchmark for the i686 build: Debian ships it for the machine's own architecture
# only, so its source package (the same version as libbenchmark-dev) is built once with the
# mingw-w64 toolchain into build/deps/benchmark-i686. A private source list and package
# index keep the machine's apt configuration as it was.
bench_build_gbench_i686() {
  local prefix="$ROOT/build/deps/benchmark-i686"
  [ -f "$prefix/lib/cmake/benchmark/benchmarkConfig.cmake" ] && return 0
  local work="$ROOT/build/deps/src"
  rm -rf "$work" && mkdir -p "$work/lists/partial"
  local uri suite
  uri="$(grep -h -m1 -o 'http[s]*://deb.debian.org/debian\b' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null | head -n1)"
  suite="$(. /etc/os-release && echo "$VERSION_CODENAME")"
  printf "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s %s main\n" "${uri:-http://deb.debian.org/debian}" "$suite" > "$work/src.list"
  local apt=(apt-get -q -o Dir::Etc::SourceList="$work/src.list" -o Dir::Etc::SourceParts=/nonexistent
             -o Dir::State::Lists="$work/lists")
  log "building Google Benchmark for i686 into $prefix"
  # The private index holds only the release's own suite: no fallback needed past the retry.
  apt_update "${apt[@]:2}" || return 1
  ( cd "$work" && "${apt[@]}" source benchmark >/dev/null 2>&1 ) || { log "apt-get source benchmark failed"; return 1; }
  local src
  src="$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'benchmark-*' | head -n1)"
  [ -n "$src" ] || return 1
  # GIT_VERSION 0.0.0: Debian's copy reads no git tags and then takes project()'s version.
  cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DQLV_MINGW_THREADS=posix \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBENCHMARK_ENABLE_TESTING=OFF \
    -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF -DBENCHMARK_ENABLE_LTO=OFF \
    -DGIT_VERSION=0.0.0 \
    -DBUILD_SHARED_LIBS=OFF >"$work/build.log" 2>&1 &&
  cmake --build "$work/build" -j "$JOBS" >>"$work/build.log" 2>&1 &&
  cmake --install "$work/build" >>"$work/build.log" 2>&1 || { log "failed: see $work/build.log"; return 1; }
  rm -rf "$work"
}

# The clip the host loop plays: the demo's scene (a figure walking through a still room
# with sensor noise), 720 x 576, in the given ffmpeg pixel format.
bench_clip() {
  local out="$1" pixfmt="$2"
  [ -s "$out" ] && return 0
  # shellcheck source=tools/demo.sh
  . "$ROOT/tools/demo.sh"
  demo_make_scene "$out" "$BENCH_HOST_FRAMES" "$pixfmt"
}

# Settings of the host loop: every cell watched (mask file), detection on, the caption
# off; areas and grid on or off.
bench_ini() {
  local ini="$1" mask="$2" overlay="$3"
  write_settings "$ini" "ChannelIdx=1" "MaskFileName=$mask" "Sensitive=10" "FrameCounter=3" \
    "ControlY=1" "ShowGrid=$overlay" "ShowMask=$overlay" "ShowTime=0" "RecShowGrid=$overlay" \
    "RecShowMask=$overlay" "RecShowTime=0"
}

# Plays one clip through the DLL with --timing and prints the row of the processed
# frames: host, host-detect|host-areas, frame, level, median, p10, p90.
bench_host_row() {
  local dir="$1" clip="$2" format="$3" overlay="$4" level="$5"
  local group=host-detect label="${format^^}"
  [ "$overlay" = 1 ] && group=host-areas
  [ "$format" = rgb24 ] && label=RGB24
  bench_ini "$dir/bench.ini" "$(wine_path "$dir/all.msk")" "$overlay"
  local out
  out=$([ "$level" != default ] && export QLV_MAX_LEVEL="$level"
        hostsim_in "$dir" --input "$(wine_path "$clip")" --format "$format" --size 720x576 --fps 0 \
          --frames "$BENCH_HOST_FRAMES" --channels 1:0:Bench --ini bench.ini --timing 2>&1) ||
    { failed "hostsim --timing ($format, areas $overlay, level $level): $out"; return 1; }
  echo "$out" | awk -v g="$group" -v f="720x576 $label" -v l="$level" '
    /^PluginProcessFrame, frames processed:/ {
      for (i = 1; i <= NF; ++i) { if ($i == "median") m = $(i+1); if ($i == "p10") a = $(i+1); if ($i == "p90") b = $(i+1) }
      printf "host\t%s\t%s\t%s\t%s\t%s\t%s\n", g, f, l, m, a, b
    }'
}

bench_main() {
  local emulated=0 dir="$ROOT/build/bench"
  i386_emulated && emulated=1
  mkdir -p "$dir"
  log "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
  log "native rows"
  build/native/qlv_bench --rows native > "$dir/native.tsv" || failed "the native rows (qlv_bench)" || return 1
  local files=("$dir/native.tsv")
  if [ "$emulated" = 1 ]; then
    log "32-bit code runs under an emulator here: the i686 rows are not timed"
    build/native/qlv_bench --table --i686-emulated "${files[@]}"
    return
  fi
  wine_session_begin || return 1
  log "i686 rows (qlv_bench.exe under Wine)"
  ( cd build/win32-bench && wine qlv_bench.exe --rows i686 ) | tr -d '\r' > "$dir/i686.tsv" ||
    failed "the i686 rows (qlv_bench.exe)" || return 1
  files+=("$dir/i686.tsv")

  log "the DLL as the host runs it (hostsim --timing, $BENCH_HOST_FRAMES frames of 720x576)"
  local host="$dir/host"
  host_folder "$host" || return 1
  write_mask "$host" "$host/all.msk" || return 1
  bench_clip "$dir/clip-yuy2.raw" yuyv422 || failed "making the YUY2 clip (ffmpeg)" || return 1
  bench_clip "$dir/clip-rgb24.raw" bgr24 || failed "making the RGB24 clip (ffmpeg)" || return 1
  : > "$dir/host.tsv"
  local format overlay level
  for level in default sse2; do
    for format in yuy2 rgb24; do
      for overlay in 0 1; do
        bench_host_row "$host" "$dir/clip-$format.raw" "$format" "$overlay" "$level" >> "$dir/host.tsv" || return 1
      done
    done
  done
  files+=("$dir/host.tsv")
  wine_session_end
  build/native/qlv_bench --table "${files[@]}"
}
