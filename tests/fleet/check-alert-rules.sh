#!/usr/bin/env bash
# The example alert rules load (promtool check rules) and fire for the drives they are about,
# and only for them (promtool test rules). Skips (77) without promtool.
#   check-alert-rules.sh RULES TESTS
set -u
Rules=$1 Tests=$2
command -v promtool >/dev/null || {
  echo "SKIP: promtool is missing (Debian's prometheus package; scripts/install-deps.sh)"
  exit 77
}
Work=$(mktemp -d)
trap 'rm -rf "$Work"' EXIT
promtool check rules "$Rules" || exit 1
cp "$Rules" "$Work/rules.yml"
sed 's|^  - RULES$|  - rules.yml|' "$Tests" >"$Work/tests.yml"
cd "$Work" && promtool test rules tests.yml
