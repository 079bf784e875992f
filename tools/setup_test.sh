#!/usr/bin/env bash
# The install logic of tools/setup.sh against fake apt-get, dpkg and dpkg-query programs
# first on PATH: no network, nothing installed. Prints PASS/FAIL lines and a count.
set -u
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
codename="$(. /etc/os-release && printf '%s' "$VERSION_CODENAME")"

passes=0
fails=0
check() {
  if [ "$2" = ok ]; then
    echo "PASS $1"; passes=$((passes + 1))
  else
    echo "FAIL $1"; sed 's/^/    /' "$work/out" "$work/calls" 2>/dev/null; fails=$((fails + 1))
  fi
}

# fakes INSTALLED MODE: dpkg-query answers "installed" for every package when INSTALLED
# is 1; apt-get install succeeds only with -t when MODE is fallback, never when it is
# broken. Every call is logged to $work/calls.
fakes() {
  rm -rf "$work/bin" "$work/calls" && mkdir -p "$work/bin" && : > "$work/calls"
  cat > "$work/bin/dpkg-query" <<EOF
#!/bin/sh
echo "dpkg-query \$*" >> "$work/calls"
[ "$1" = 1 ] && { printf 'install ok installed'; exit 0; }
exit 1
EOF
  cat > "$work/bin/dpkg" <<EOF
#!/bin/sh
echo "dpkg \$*" >> "$work/calls"
[ "\$1" = --print-foreign-architectures ] && echo i386
exit 0
EOF
  cat > "$work/bin/apt-get" <<EOF
#!/bin/sh
echo "apt-get \$*" >> "$work/calls"
case "\$*" in
  *update*) echo "E: File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2; exit 100 ;;
esac
case "$2:\$*" in
  fallback:*" -t $codename "*) exit 0 ;;
esac
echo "E: Unable to correct problems, you have held broken packages." >&2
exit 100
EOF
  chmod +x "$work/bin/"*
}

install_with_fakes() {
  ( PATH="$work/bin:$PATH"
    log() { printf '== %s\n' "$*" >&2; }
    . "$ROOT/tools/setup.sh"
    apt_install "setting up" "./run setup" wine wine32:i386 zip ) > "$work/out" 2>&1
}

# A mirror mid-sync: the ordinary install fails, the release's own suite is preferred for
# every package, said in one line, after dpkg has finished what it had begun.
fakes 0 fallback
install_with_fakes
rc=$?
fallback_lines=$(grep -c "trying again with the release's own packages (-t $codename)" "$work/out")
if [ "$rc" -eq 0 ] && [ "$fallback_lines" -eq 1 ] &&
   [ "$(grep -c '^apt-get update' "$work/calls")" -eq 2 ] &&
   grep -qx "apt-get install -y -q --no-install-recommends wine wine32:i386 zip" "$work/calls" &&
   grep -qx "apt-get install -y -q --no-install-recommends -t $codename wine wine32:i386 zip" "$work/calls" &&
   [ "$(grep -n 'dpkg --configure -a' "$work/calls" | cut -d: -f1)" -lt "$(grep -n -- "-t $codename" "$work/calls" | cut -d: -f1)" ] &&
   ! grep -q FAILED "$work/out"; then
  check "the fallback to the release's own suite is taken and said in one line" ok
else
  check "the fallback to the release's own suite is taken and said in one line" bad
fi

# Both installs fail: one line names the step and the command to run again; non-zero.
fakes 0 broken
install_with_fakes
rc=$?
if [ "$rc" -ne 0 ] &&
   [ "$(grep -c '^== FAILED' "$work/out")" -eq 1 ] &&
   grep -qx "== FAILED: setting up: could not install wine wine32:i386 zip; run again: ./run setup" "$work/out"; then
  check "a failing fallback stops with the step and the command to run again" ok
else
  check "a failing fallback stops with the step and the command to run again" bad
fi

# Everything installed: apt and dpkg are never asked.
fakes 1 broken
install_with_fakes
rc=$?
if [ "$rc" -eq 0 ] && ! grep -q '^apt-get\|^dpkg ' "$work/calls" &&
   [ "$(grep -c '^dpkg-query' "$work/calls")" -eq 3 ] && [ ! -s "$work/out" ]; then
  check "a machine with every package asks apt nothing" ok
else
  check "a machine with every package asks apt nothing" bad
fi

echo "$passes passed, $fails failed"
[ "$fails" -eq 0 ]
