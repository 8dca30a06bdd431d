#!/usr/bin/env bash
# The fill service: systemd-analyze verify finds nothing to say about an instance of it (and an
# instance for a path that needs escaping), and its command line, with the instance filled in
# as systemd fills it, runs a real fill of a small tmpfs that leaves the result and the metrics
# where the unit says. Skips (77) without systemd-analyze; the fill part only without root.
#   check-fill-unit.sh UNIT_TEMPLATE_IN VARNELL_CLI
set -u
Template=$1 Cli=$2
command -v systemd-analyze >/dev/null || {
  echo "SKIP: systemd-analyze is missing"
  exit 77
}
Work=$(mktemp -d /tmp/varnell-unit-XXXXXX)
Mounted=""
cleanup() {
  [ -z "$Mounted" ] || umount "$Mounted"
  rm -rf "$Work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# The unit as installed, with the program where this build has it.
Unit=$Work/units/varnell-fill@.service
mkdir "$Work/units"
sed -e "s|@CMAKE_INSTALL_FULL_BINDIR@/varnell-cli|$Cli|" \
  -e 's|@CMAKE_INSTALL_FULL_DATADIR@|/usr/share|' "$Template" >"$Unit"
grep -q @ "$Unit" && grep -n '@[A-Z_]*@' "$Unit" && fail "a placeholder is left in the unit"
for Folder in /media/usb0 "/srv/lab drives/bay-3"; do
  Instance=$(systemd-escape --path "$Folder")
  cp "$Unit" "$Work/units/varnell-fill@$Instance.service"
  Said=$(cd "$Work/units" && systemd-analyze verify --man=no "./varnell-fill@$Instance.service" 2>&1)
  Code=$?
  [ $Code -eq 0 ] && [ -z "$Said" ] || fail "systemd-analyze verify on $Folder ($Code): $Said"
  rm "$Work/units/varnell-fill@$Instance.service"
done

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP (in part): the fill of the unit's command line needs root to mount a tmpfs"
  exit 0
fi
# The command line as systemd runs it: continuation lines joined, %i the escaped instance, %f
# the folder, the unit's folders moved under the scratch folder, VARNELL_ARGS from a drop-in.
Folder="$Work/lab drive"
mkdir "$Folder"
mount -t tmpfs -o size=64m varnell-unit "$Folder" || fail "mount"
Mounted=$Folder
Instance=$(systemd-escape --path "$Folder")
mkdir -p "$Work/var/lib/varnell" "$Work/var/lib/prometheus/node-exporter"
Line=$(sed -e ':a' -e '/\\$/N; s/\\\n//; ta' "$Unit" | sed -n 's/^ExecStart=//p')
read -r -a Words <<<"$Line"
Arguments=()
for Word in "${Words[@]}"; do
  case $Word in
    '$VARNELL_ARGS') Arguments+=(--leave 24MiB) ;;
    %f) Arguments+=("$Folder") ;;
    *)
      Word=${Word//%i/$Instance}
      Arguments+=("${Word//\/var\/lib\//$Work/var/lib/}")
      ;;
  esac
done
"${Arguments[@]}" >"$Work/out.txt" 2>&1 || fail "the unit's command line: $(cat "$Work/out.txt")"
[ -s "$Work/var/lib/varnell/$Instance.json" ] || fail "no result in /var/lib/varnell"
[ -s "$Work/var/lib/varnell/$Instance.log" ] || fail "no log in /var/lib/varnell"
grep -q 'varnell_state{.*state="done"} 1' "$Work/var/lib/prometheus/node-exporter/varnell-$Instance.prom" ||
  fail "no metrics in the textfile folder"
echo "fill unit: verified, and its command line fills a drive"
