#!/usr/bin/env bash
# The menu entry passes desktop-file-validate without a single remark, is named and described in
# English and Korean, starts a program by name (found on the PATH, not in a build folder), and
# names an icon that is shipped and renders.
#   check-desktop-entry.sh DESKTOP_FILE ICON_FOLDER
Desktop=$1 IconFolder=$2
Failed=0
fail() {
  echo "FAIL: $*"
  Failed=1
}

if ! Remarks=$(desktop-file-validate "$Desktop" 2>&1) || [ -n "$Remarks" ]; then
  fail "desktop-file-validate: $Remarks"
fi

value() { sed -n "s/^$1=//p" "$Desktop"; }
for Key in Name 'Name\[ko\]' Comment 'Comment\[ko\]' GenericName 'GenericName\[ko\]'; do
  [ -n "$(value "$Key")" ] || fail "no ${Key//\\/} in $Desktop"
done
Exec=$(value Exec)
case "$Exec" in
  varnell | "varnell "*) ;;
  *) fail "Exec=$Exec does not start the installed varnell by name" ;;
esac
[ "$(value TryExec)" = varnell ] || fail "TryExec=$(value TryExec) is not varnell"

Icon=$(value Icon)
IconFile=$IconFolder/$Icon.svg
if [ ! -f "$IconFile" ]; then
  fail "Icon=$Icon: $IconFile is missing"
else
  Scratch=$(mktemp -d)
  trap 'rm -rf "$Scratch"' EXIT
  # The smallest and largest sizes a desktop asks of a scalable icon.
  for Size in 16 256; do
    if ! rsvg-convert -w "$Size" -h "$Size" "$IconFile" -o "$Scratch/$Size.png" 2>"$Scratch/err" ||
      [ -s "$Scratch/err" ] || [ ! -s "$Scratch/$Size.png" ]; then
      fail "$IconFile does not render at $Size px: $(cat "$Scratch/err")"
    fi
  done
fi

[ "$Failed" -eq 0 ] && echo "$(basename "$Desktop"): valid, icon $Icon renders"
exit "$Failed"
