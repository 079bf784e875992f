# Installing Debian packages: the one way every command of ./run installs anything.
# Sourced by ./run (which provides log()); tools/setup_test.sh runs it against fake
# apt-get, dpkg and dpkg-query programs.

# True when the package (NAME or NAME:ARCH) is installed.
pkg_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'
}

# The release's own suite (bookworm on Debian 12), which a mirror never serves half-synced.
release_codename() {
  ( . /etc/os-release 2>/dev/null && printf '%s' "${VERSION_CODENAME:-}" )
}

# apt_update [APT-OPTION...]: the package index, tried twice at most. A mirror caught
# mid-sync serves an index that fails its hash for an hour or more, so waiting does not
# help: the install that follows goes on with what there is, and has its own fallback.
apt_update() {
  apt-get update -q --error-on=any "$@" >/dev/null 2>&1 && return 0
  log "package index incomplete; trying once more"
  apt-get update -q --error-on=any "$@" >/dev/null 2>&1 && return 0
  log "package index still incomplete; installing from what there is"
  return 1
}

apt_get_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" >/dev/null
}

# apt_install STEP AGAIN PACKAGE...: installs the packages that are missing. When the
# ordinary install fails (a security index caught mid-sync offers amd64 halves of
# multiarch libraries that the i386 halves cannot match), it tries again preferring the
# release's own suite for every package. Fails with one line naming STEP and the command
# AGAIN to run again; running it again is always safe.
apt_install() {
  local step="$1" again="$2"
  shift 2
  local missing=() p
  for p in "$@"; do
    pkg_installed "$p" || missing+=("$p")
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  log "$step: installing ${missing[*]}"
  case " ${missing[*]}" in
    *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
  esac
  apt_update
  apt_get_install "${missing[@]}" && return 0
  local codename
  codename="$(release_codename)"
  if [ -n "$codename" ]; then
    log "$step: the install failed; trying again with the release's own packages (-t $codename)"
    # An interrupted dpkg leaves packages half-configured: finish them before the retry.
    DEBIAN_FRONTEND=noninteractive dpkg --configure -a >/dev/null 2>&1
    apt_get_install -t "$codename" "${missing[@]}" && return 0
  fi
  log "FAILED: $step: could not install ${missing[*]}; run again: $again"
  return 1
}
