#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR under /usr, as the Debian package does, and checks
# what a desktop and a shell find there: exactly the expected files, programs that run and
# answer with this version, a manual page that `man` finds for each program, and a menu entry,
# AppStream description and icon that appstreamcli accepts together.
#   check-install.sh BUILD_FOLDER EXPECTED_FILES VERSION
Build=$1 Expected=$2 Version=$3
Failed=0
fail() {
  echo "FAIL: $*"
  Failed=1
}

Scratch=$(mktemp -d)
trap 'rm -rf "$Scratch"' EXIT
Root=$Scratch/root
if ! DESTDIR=$Root cmake --install "$Build" --prefix /usr >"$Scratch/log" 2>&1; then
  cat "$Scratch/log"
  fail "cmake --install"
  exit 1
fi

(cd "$Root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$Scratch/files"
if ! diff -u "$Expected" "$Scratch/files"; then
  fail "the installed files differ from $Expected"
fi

for Program in "$Root"/usr/bin/*; do
  Name=$(basename "$Program")
  Answer=$("$Program" --version 2>&1)
  [ "$Answer" = "$Name $Version" ] || fail "$Name --version says \"$Answer\""
  Page=$(MANPATH="$Root/usr/share/man" man -w "$Name" 2>/dev/null)
  [ "$Page" = "$Root/usr/share/man/man1/$Name.1.gz" ] || fail "man finds no page for $Name"
  grep -q "<binary>$Name</binary>" "$Root"/usr/share/metainfo/*.metainfo.xml ||
    fail "the metainfo does not say it provides $Name"
done
for Provided in $(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$Root"/usr/share/metainfo/*.metainfo.xml); do
  [ -x "$Root/usr/bin/$Provided" ] || fail "the metainfo provides $Provided, which is not installed"
done

# The metainfo's launchable names the installed menu entry, whose icon is in the hicolor theme.
Report=$(appstreamcli validate-tree --no-net --pedantic "$Root" 2>&1) || fail "appstreamcli validate-tree"
Remarks=$(grep -E '^\s*[EWIP]: ' <<<"$Report" | grep -v ' cid-maybe-not-rdns ' || true)
[ -z "$Remarks" ] || fail "appstreamcli validate-tree: $Remarks"
for Desktop in "$Root"/usr/share/applications/*.desktop; do
  Icon=$(sed -n 's/^Icon=//p' "$Desktop")
  compgen -G "$Root/usr/share/icons/hicolor/*/apps/$Icon.*" >/dev/null ||
    fail "$(basename "$Desktop"): icon $Icon is not in the hicolor theme"
done

# The fill service names the program where this installation put it, and the guide it points to.
Unit=$Root/usr/lib/systemd/system/varnell-fill@.service
grep -q '^ExecStart=/usr/bin/varnell-cli ' "$Unit" || fail "the fill service does not run /usr/bin/varnell-cli"
grep -q 'file:/usr/share/doc/varnell/lab.md' "$Unit" || fail "the fill service's guide is not /usr/share/doc/varnell/lab.md"

[ "$Failed" -eq 0 ] && echo "installed $(wc -l <"$Scratch/files") files as expected"
exit "$Failed"
