# Helpers of the scripts that ./run sources (tools/demo.sh, figures.sh, bench.sh,
# release.sh); each of them sources this file. Needs ROOT and failed() from ./run; the
# Wine ones run inside the caller's Wine session.

# A Unix path as Wine's Z: drive sees it; the file need not exist yet.
wine_path() { printf 'Z:%s' "$(readlink -m "$1" | tr '/' '\\')"; }

# host_folder DIR: a host folder of its own, hostsim.exe and Plugins/QPM_QLVGuard.dll
# of the win32 build, apart from the build tree whose Plugins/ folder the host tests use.
host_folder() {
  local dir="$1"
  { rm -rf "$dir" && mkdir -p "$dir/Plugins" &&
    cp "$ROOT/build/win32/hostsim.exe" "$dir/" && cp "$ROOT/build/win32/Plugins/QPM_QLVGuard.dll" "$dir/Plugins/"; } ||
    failed "making the host folder $dir"
}

# hostsim_in DIR ARGS...: hostsim.exe of the host folder DIR under Wine, with a western
# code page.
hostsim_in() { ( cd "$1" && shift && LANG=en_US.UTF-8 exec wine hostsim.exe "$@" ); }

# write_mask DIR FILE [CELLS]: a mask file of the 24 x 18 grid, written by the plug-in's
# own writer through hostsim.exe of DIR; CELLS as --mask-cells takes them (default: all).
write_mask() {
  hostsim_in "$1" --write-mask "$(wine_path "$2")" --mask-cells "${3:-all}" || failed "writing the mask $2"
}

# write_settings FILE LINE...: the plug-in's settings file, its one section holding the
# lines given (KEY=VALUE), each line ending in CR LF.
write_settings() {
  local file="$1"
  shift
  printf '%s\r\n' "[PluginSettings]" "$@" > "$file"
}
