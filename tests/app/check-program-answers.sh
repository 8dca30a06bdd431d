#!/usr/bin/env bash
# The windowed program and the drive list answer -h/--help and --version on the terminal, with
# no display at all, and refuse what they do not know.
#   check-program-answers.sh VARNELL VARNELL_DRIVES VERSION
Varnell=$1 Drives=$2 Version=$3
Failed=0

# Case: program | arguments | exit code | pattern of stdout | pattern of stderr (ERE, "" = empty)
Cases=(
  "$Varnell|--version|0|^varnell $Version\$|"
  "$Varnell|--help|0|^Usage: varnell .*--version.*-platform|"
  "$Varnell|-h|0|^Usage: varnell |"
  "$Varnell|-platform offscreen --version|0|^varnell $Version\$|"
  "$Varnell||1||No display found.*xvfb-run -a $Varnell.*varnell-cli --help"
  "$Varnell|--help|0|--lang LANG|"
  "$Varnell|--lang de|2||--lang: unknown language \"de\" \(known: ko, en\)"
  "$Varnell|--lang|2||--lang needs a language"
  "$Varnell|--lang=en|1||No display found"
  "$Drives|--version|0|^varnell-drives $Version\$|"
  "$Drives|--help|0|^Usage: varnell-drives.*--version|"
  "$Drives|--all|2||unknown argument \"--all\""
  "$Drives||0|^MOUNT POINT +DEVICE +DISK +BUS|"
)

# Pattern empty: the text must be empty too.
matches() {
  if [ -z "$2" ]; then
    [ -z "$1" ]
  else
    grep -qE -- "$2" <<<"$1"
  fi
}

Scratch=$(mktemp -d)
trap 'rm -rf "$Scratch"' EXIT
for Case in "${Cases[@]}"; do
  IFS='|' read -r Program Arguments Code OutPattern ErrPattern <<<"$Case"
  # No display of any kind: these answers must not need one.
  read -ra Words <<<"$Arguments"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$Program" "${Words[@]}" \
    >"$Scratch/out" 2>"$Scratch/err" </dev/null
  Got=$?
  Out=$(tr '\n' ' ' <"$Scratch/out" | sed 's/ $//')
  Err=$(tr '\n' ' ' <"$Scratch/err" | sed 's/ $//')
  Name="$(basename "$Program") $Arguments"
  if [ "$Got" -ne "$Code" ]; then
    echo "FAIL: $Name: exit code $Got, expected $Code (stderr: $Err)"
    Failed=1
  fi
  if ! matches "$Out" "$OutPattern"; then
    echo "FAIL: $Name: stdout \"$Out\" does not match \"$OutPattern\""
    Failed=1
  fi
  if ! matches "$Err" "$ErrPattern"; then
    echo "FAIL: $Name: stderr \"$Err\" does not match \"$ErrPattern\""
    Failed=1
  fi
done

# A Qt option is taken by Qt; an argument left over is refused before any window opens.
QT_QPA_PLATFORM=offscreen "$Varnell" --no-such-option >/dev/null 2>"$Scratch/err" </dev/null
Got=$?
if [ "$Got" -ne 2 ] || ! grep -q 'unknown argument "--no-such-option"' "$Scratch/err"; then
  echo "FAIL: varnell --no-such-option: exit code $Got, stderr: $(cat "$Scratch/err")"
  Failed=1
fi

[ "$Failed" -eq 0 ] && echo "${#Cases[@]} cases and the refusal passed"
exit "$Failed"
