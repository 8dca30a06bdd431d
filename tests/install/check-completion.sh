#!/usr/bin/env bash
# varnell-cli's bash completion: it parses, it completes what a user types (options, the values
# of --step and --leave, files for the logs, folders for FOLDER), and it offers exactly the long
# options that `varnell-cli --help` lists.
#   check-completion.sh COMPLETION_FILE VARNELL_CLI
# Not under `set -u`: bash-completion's own functions are not written for it.
Completion=$1 Cli=$2
Failed=0
fail() {
  echo "FAIL: $*"
  Failed=1
}

bash -n "$Completion" || fail "bash -n $Completion"
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion || fail "bash-completion is not installed"
# shellcheck disable=SC1090
source "$Completion"

# Completes LINE as if the user pressed Tab at its end; prints the sorted candidates on one line.
# Words split as bash splits them for completion: at blanks, and around "=".
complete_line() {
  local Line=$1 Word
  COMP_LINE=$Line
  COMP_POINT=${#Line}
  COMP_WORDS=()
  set -f
  for Word in $Line; do
    while [[ $Word == *=* ]]; do
      COMP_WORDS+=("${Word%%=*}" "=")
      Word=${Word#*=}
    done
    COMP_WORDS+=("$Word")
  done
  set +f
  [[ $Line == *' ' ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _varnell_cli varnell-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//'
}

Scratch=$(mktemp -d)
trap 'rm -rf "$Scratch"' EXIT
mkdir "$Scratch/logs" "$Scratch/mnt"
touch "$Scratch/run.log"
mkdir "$Scratch/mnt/saved"
touch "$Scratch/mnt/saved/run.json" "$Scratch/mnt/saved/chart.svg" "$Scratch/mnt/saved/chart.txt"

# Case: what is typed | the candidates, sorted
Cases=(
  "varnell-cli --st|--step"
  "varnell-cli --l|--lang --leave --log"
  "varnell-cli --lang |en ko"
  "varnell-cli --detailed|--detailed-log"
  "varnell-cli -s |0.1 1 10"
  "varnell-cli --step 1|1 10"
  "varnell-cli --step=0|0.1"
  "varnell-cli --leave 10|10% 10GiB 10MiB"
  "varnell-cli -l 500M|500MiB"
  "varnell-cli --leave=5G|5GiB"
  "varnell-cli --leave 1.5|1.5GiB 1.5MiB"
  "varnell-cli -l |"
  "varnell-cli --log $Scratch/r|$Scratch/run.log"
  "varnell-cli --detailed-log=$Scratch/|$Scratch/logs $Scratch/mnt $Scratch/run.log"
  "varnell-cli -c -s 10 $Scratch/|$Scratch/logs $Scratch/mnt"
  "varnell-cli --quiet $Scratch/m|$Scratch/mnt"
  "varnell-cli --version |"
  "varnell-cli comp|compare"
  "varnell-cli compare --|--csv --help --plot"
  "varnell-cli compare $Scratch/mnt/saved/|$Scratch/mnt/saved/run.json"
  "varnell-cli compare a.json --plot $Scratch/mnt/saved/c|$Scratch/mnt/saved/chart.svg"
)
for Case in "${Cases[@]}"; do
  Line=${Case%%|*}
  Expected=${Case#*|}
  Got=$(complete_line "$Line")
  [ "$Got" = "$Expected" ] || fail "\"$Line\" completes to \"$Got\", expected \"$Expected\""
done

Offered=$(complete_line "varnell-cli --" | tr ' ' '\n')
Help=$("$Cli" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u)
if [ "$Offered" != "$Help" ]; then
  fail "the options offered and those of varnell-cli --help differ:"
  diff <(echo "$Help") <(echo "$Offered") | sed -n 's/^</  only in --help:/p; s/^>/  only offered:/p'
fi

[ "$Failed" -eq 0 ] && echo "${#Cases[@]} completions and the option list passed"
exit "$Failed"
