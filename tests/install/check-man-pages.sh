#!/usr/bin/env bash
# Every manual page renders without a warning from man and groff and has the sections a reader
# looks for; varnell-cli's page documents exactly the long options that `varnell-cli --help`
# lists, so an option added to the program without its entry (or the reverse) shows up here.
#   check-man-pages.sh VARNELL_CLI PAGE.1...
Cli=$1
shift
Failed=0
fail() {
  echo "FAIL: $*"
  Failed=1
}

for Page in "$@"; do
  if ! Warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$Page" 2>&1 >/dev/null) ||
    [ -n "$Warnings" ]; then
    fail "$Page: $Warnings"
  fi
  # Words that a macro's arguments ran together ("aheaderwiththedrive"): no English word of the
  # pages is 17 letters long.
  Joined=$(LC_ALL=C.UTF-8 MANWIDTH=1000 man -l "$Page" 2>/dev/null | grep -oE '[a-z]{17,}' | head -n 3)
  [ -z "$Joined" ] || fail "$Page: words run together: $Joined"
  for Section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' 'SEE ALSO'; do
    grep -q "^\.SH $Section\$" "$Page" || fail "$Page has no $Section section"
  done
  # The page's own name and the first line of NAME agree, as whatis and apropos read them.
  Name=$(basename "$Page" .1)
  grep -A 1 '^\.SH NAME$' "$Page" | grep -q "^${Name//-/\\\\-} \\\\- " ||
    fail "$Page: NAME does not begin with \"$Name \\- \""
done

CliPage=$(printf '%s\n' "$@" | grep '/varnell-cli\.1$')
if [ -z "$CliPage" ]; then
  fail "no varnell-cli.1 among the pages"
else
  Help=$("$Cli" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
  # The option entries: the line after each .TP of the OPTIONS section.
  Documented=$(sed -n '/^\.SH OPTIONS$/,/^\.SH /{/^\.TP$/{n;p}}' "$CliPage" |
    grep -oE -- '\\-\\-[a-z][a-z\\-]*' | sed 's/\\//g' | sort -u)
  if [ "$Help" != "$Documented" ]; then
    fail "options of varnell-cli --help and of $CliPage differ:"
    diff <(echo "$Help") <(echo "$Documented") | sed -n 's/^</  only in --help:/p; s/^>/  only in the page:/p'
  fi
fi

[ "$Failed" -eq 0 ] && echo "$# pages render without warnings; varnell-cli's options all documented"
exit "$Failed"
