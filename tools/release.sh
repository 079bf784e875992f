# Release: the zip, the NSIS installer and their checksums; the test that installs the
# installer under Wine; screenshots of the installer's folder page. Sourced by ./run,
# which provides ROOT, log and the Wine session.

# shellcheck source=tools/lib.sh
. "$ROOT/tools/lib.sh"

RELEASE_PRODUCT=QPM_QLVGuard
RELEASE_VERSION="$(sed -n 's/^project(QPM_QLVGuard VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")"
RELEASE_ZIP="$RELEASE_PRODUCT-$RELEASE_VERSION-win32.zip"
RELEASE_SETUP="$RELEASE_PRODUCT-$RELEASE_VERSION-setup.exe"
# The zip's entries, in the order they are stored.
RELEASE_ZIP_FILES=("Plugins/$RELEASE_PRODUCT.dll" "$RELEASE_PRODUCT-guide-en.html"
                   "$RELEASE_PRODUCT-guide-ru.html" "CHANGES.txt")

# One timestamp for every file in the release, so the same sources give the same
# zip: SOURCE_DATE_EPOCH when set, else the time of the last commit.
release_epoch() {
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  else
    git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 946684800
  fi
}

# release_build DLL OUT: writes the zip, the installer and SHA256SUMS into OUT.
release_build() {
  local dll="$1" out="$2"
  [ -n "$RELEASE_VERSION" ] || failed "release: no version in CMakeLists.txt" || return 1
  [ -f "$dll" ] || failed "release: $dll is missing" || return 1
  local stage="$out/stage"
  { rm -rf "$out" && mkdir -p "$stage/Plugins"; } || failed "release: making $stage" || return 1

  cp "$dll" "$stage/Plugins/$RELEASE_PRODUCT.dll" || failed "release: copying the DLL" || return 1
  local lang
  for lang in en ru; do
    python3 "$ROOT/tools/release/inline_images.py" "$ROOT/docs/$RELEASE_PRODUCT-guide-$lang.html" \
      "$stage/$RELEASE_PRODUCT-guide-$lang.html" || failed "release: the $lang guide's pictures" || return 1
  done
  # Windows line ends, for the editors a user of the host has.
  sed 's/\r*$/\r/' "$ROOT/CHANGES.txt" > "$stage/CHANGES.txt" || failed "release: CHANGES.txt" || return 1

  local epoch f
  epoch="$(release_epoch)"
  for f in "${RELEASE_ZIP_FILES[@]}"; do
    { chmod 644 "$stage/$f" && touch -d "@$epoch" "$stage/$f"; } || failed "release: the time of $f" || return 1
  done
  # Stored times are local: UTC makes them the same on every machine. No extra
  # attributes (-X), no folder entries (-D).
  ( cd "$stage" && TZ=UTC zip -q -X -D -9 "$out/$RELEASE_ZIP" "${RELEASE_ZIP_FILES[@]}" ) ||
    failed "release: the zip" || return 1

  # The installer takes the DLL and the guides from a flat folder.
  cp -p "$stage/Plugins/$RELEASE_PRODUCT.dll" "$stage/" || failed "release: copying the DLL for the installer" || return 1
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$RELEASE_VERSION" -DSTAGE="$stage" \
    -DOUTFILE="$out/$RELEASE_SETUP" "$ROOT/tools/release/$RELEASE_PRODUCT.nsi" >&2 ||
    failed "release: the installer (makensis)" || return 1

  ( cd "$out" && sha256sum "$RELEASE_ZIP" "$RELEASE_SETUP" > SHA256SUMS ) || failed "release: SHA256SUMS" || return 1
  rm -rf "$stage"
}

release_main() {
  local out="$ROOT/dist/release"
  [ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null || failed "configuring the win32 preset" || return 1
  cmake --build build/win32 --target "$RELEASE_PRODUCT" -j "$JOBS" || failed "building the DLL" || return 1
  release_build "$ROOT/build/win32/Plugins/$RELEASE_PRODUCT.dll" "$out" || return 1
  log "dist/release/:"
  ( cd "$out" && ls -l --time-style=+ "$RELEASE_ZIP" "$RELEASE_SETUP" SHA256SUMS | awk '{print "  " $5 "\t" $NF}'
    echo "  $RELEASE_ZIP holds:"; unzip -Z1 "$RELEASE_ZIP" | sed 's/^/    /' ) >&2
}

# Waits up to $2 seconds for the condition command $1 to hold.
release_wait_for() {
  local cond="$1" seconds="$2" i
  for (( i = 0; i < seconds * 10; i++ )); do
    eval "$cond" && return 0
    sleep 0.1
  done
  eval "$cond"
}

# release_test: builds a release from the tested DLL and checks it under Wine (inside
# the caller's Wine session). Prints one line per check, "PASS name" or "FAIL name: why".
release_test() {
  local work="$ROOT/build/release-test"
  local dll="$ROOT/build/win32/Plugins/$RELEASE_PRODUCT.dll"
  local out="$work/release"
  rm -rf "$work" && mkdir -p "$work"
  if ! release_build "$dll" "$out" 2> "$work/build.log"; then
    echo "FAIL build: $(tail -n 5 "$work/build.log" | tr '\n' ' ')"
    return
  fi

  # The zip holds exactly its four files, its guides need nothing beside them, and the
  # checksums match.
  local listed expected why=""
  listed="$(unzip -Z1 "$out/$RELEASE_ZIP" | sort)"
  expected="$(printf '%s\n' "${RELEASE_ZIP_FILES[@]}" | sort)"
  [ "$listed" = "$expected" ] || why="zip lists: $(echo $listed)"
  local lang
  for lang in en ru; do
    if unzip -p "$out/$RELEASE_ZIP" "$RELEASE_PRODUCT-guide-$lang.html" | grep -o '<img[^>]*src="[^"]*"' | grep -v 'src="data:'; then
      why="$why guide-$lang refers to a picture outside itself;"
    fi
  done
  unzip -p "$out/$RELEASE_ZIP" "Plugins/$RELEASE_PRODUCT.dll" | cmp -s - "$dll" || why="$why zipped DLL differs;"
  ( cd "$out" && sha256sum -c --quiet SHA256SUMS ) >/dev/null 2>&1 || why="$why SHA256SUMS does not match;"
  [ -z "$why" ] && echo "PASS zip" || echo "FAIL zip: $why"

  # Silent install into a fresh folder whose name has a blank.
  local host="$work/Host Folder"
  local guides="$host/Plugins/$RELEASE_PRODUCT"
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\'"$RELEASE_PRODUCT"
  mkdir -p "$host"
  why=""
  # Through cmd, so the setup gets the line a user types: /D= last and unquoted.
  ( cd "$out" && LANG=en_US.UTF-8 wine cmd /c "$RELEASE_SETUP /S /D=$(wine_path "$host")" ) \
    > "$work/install.log" 2>&1 || why="setup ended with code $?;"
  cmp -s "$host/Plugins/$RELEASE_PRODUCT.dll" "$dll" || why="$why installed DLL missing or not the built one;"
  for lang in en ru; do
    [ -s "$guides/$RELEASE_PRODUCT-guide-$lang.html" ] || why="$why guide-$lang missing;"
  done
  [ -f "$guides/uninstall.exe" ] || why="$why no uninstaller;"
  local uninstall_string
  uninstall_string="$(wine reg query "$key" /v UninstallString 2>/dev/null | tr -d '\r' | grep UninstallString)"
  case "$uninstall_string" in
    *"Host Folder\\Plugins\\$RELEASE_PRODUCT\\uninstall.exe"*) ;;
    *) why="$why uninstall key holds '$uninstall_string';" ;;
  esac
  [ -z "$why" ] && echo "PASS install" || echo "FAIL install: $why"

  # The stand-in host in that folder loads the installed DLL and, closing it, writes
  # the plug-in's settings file.
  why=""
  cp "$ROOT/build/win32/hostsim.exe" "$host/" || why="no hostsim.exe;"
  hostsim_in "$host" --info > "$work/info.log" 2>&1 \
    || why="$why hostsim --info ended with code $?;"
  grep -q '^Interface version: 3' "$work/info.log" || why="$why no interface version 3;"
  grep -q '^Name: Motion detection' "$work/info.log" || why="$why no plug-in name;"
  local ini="$host/Plugins/$RELEASE_PRODUCT.ini"
  grep -q '^\[PluginSettings\]' "$ini" 2>/dev/null || why="$why no settings file written;"
  [ -z "$why" ] && echo "PASS hostsim loads the installed DLL" || echo "FAIL hostsim loads the installed DLL: $why $(head -c 300 "$work/info.log")"

  # Silent uninstall. The uninstaller runs from a copy in the temporary folder and
  # returns at once: wait for the last thing it removes.
  why=""
  cp "$ini" "$work/settings.before"
  ( cd "$host" && wine "$guides/uninstall.exe" /S ) > "$work/uninstall.log" 2>&1 || why="uninstaller ended with code $?;"
  release_wait_for '[ ! -d "$guides" ]' 60 || why="$why guide folder still there;"
  [ ! -e "$host/Plugins/$RELEASE_PRODUCT.dll" ] || why="$why DLL still there;"
  cmp -s "$ini" "$work/settings.before" || why="$why settings file removed or changed;"
  wine reg query "$key" > /dev/null 2>&1 && why="$why uninstall key still there;"
  [ -z "$why" ] && echo "PASS uninstall keeps the settings" || echo "FAIL uninstall keeps the settings: $why"
}

# release_shot LANG_ENV TITLE PNG: starts the installer of dist/release in a Wine
# session of its own, waits until its window shows the same picture twice in a row
# and saves the window as PNG.
release_shot() {
  local lang="$1" title="$2" png="$3"
  wine_session_begin || return 1
  ( cd "$ROOT/dist/release" && LANG="$lang" LC_ALL="$lang" wine "$RELEASE_SETUP" ) >/dev/null 2>&1 &
  local tmp geometry="" previous="" i
  tmp="$(mktemp -d)"
  for (( i = 0; i < 300; i++ )); do
    # The X window Wine made for the installer's top-level window, by the start of its
    # title (the installer adds a blank).
    geometry="$(xwininfo -root -tree 2>/dev/null | grep -F "\"$title" | grep -o '[0-9]*x[0-9]*+[0-9]*+[0-9]*' | head -n 1)"
    if [ -n "$geometry" ]; then
      local size="${geometry%%+*}" offset="${geometry#*+}"
      ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size "$size" -i "$DISPLAY+${offset/+/,}" -frames:v 1 "$tmp/shot.png" \
        && if [ -n "$previous" ] && cmp -s "$tmp/shot.png" "$previous"; then break; fi
      cp "$tmp/shot.png" "$tmp/previous.png" 2>/dev/null && previous="$tmp/previous.png"
    fi
    sleep 0.2
  done
  local ok=1
  if [ -n "$previous" ] && cmp -s "$tmp/shot.png" "$previous"; then
    cp "$tmp/shot.png" "$png" && log "$png ($geometry)"
  else
    log "release: no steady window titled '$title'"
    ok=0
  fi
  rm -rf "$tmp"
  wine_session_end
  [ "$ok" -eq 1 ]
}

# The installer's folder page in English and Russian, into docs/.
release_shots() {
  release_shot en_US.UTF-8 "$RELEASE_PRODUCT $RELEASE_VERSION Setup" "$ROOT/docs/installer_folder_en.png" || return 1
  release_shot ru_RU.UTF-8 "Установка $RELEASE_PRODUCT $RELEASE_VERSION" "$ROOT/docs/installer_folder_ru.png"
}
