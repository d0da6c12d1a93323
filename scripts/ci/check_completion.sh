#!/usr/bin/env bash
# Checks the bash completion of plx71 against a plx71 program: what Tab
# offers after each partial command line below.
#
#   scripts/ci/check_completion.sh COMPLETION_FILE PLX71
set -euo pipefail
completion=$(realpath "$1")
plx71=$(realpath "$2")
# shellcheck source=/dev/null
source "$completion"
work=$(mktemp -d /tmp/plx71-completion-XXXXXX)
trap 'rm -rf "$work"' EXIT
touch "$work/job.pxp" "$work/jobs.txt"
cd "$work"

failures=0
# expect LINE WORD...: completing the last word of LINE offers every WORD.
# A LINE ending in a blank completes an empty word.
expect() {
  local line=$1 want
  shift
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_WORDS[0]=$plx71
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _plx71 || true # compgen fails when nothing matches
  for want in "$@"; do
    if [[ " ${COMPREPLY[*]} " != *" $want "* ]]; then
      echo "completion of '$line' lacks '$want': ${COMPREPLY[*]}" >&2
      failures=$((failures + 1))
    fi
  done
}
# refuse LINE WORD...: completing LINE offers none of the WORDs.
refuse() {
  local line=$1 word
  shift
  COMPREPLY=()
  expect "$line"
  for word in "$@"; do
    if [[ " ${COMPREPLY[*]} " == *" $word "* ]]; then
      echo "completion of '$line' offers '$word': ${COMPREPLY[*]}" >&2
      failures=$((failures + 1))
    fi
  done
}

expect "plx71 " devices info convert versions download verify upload firmware release
refuse "plx71 " 0 1 129 Options: Exit # a footer after the subcommands lists no subcommand
expect "plx71 up" upload
refuse "plx71 up" download devices
expect "plx71 --" --table --yes --help --version
expect "plx71 upload --" --output --user-rom --boot-rom --port --baud --table --yes
refuse "plx71 upload --" --device --ranges
expect "plx71 upload --baud " 9600 19200 38400 57600 115200
expect "plx71 info x.hex --area " user boot
expect "plx71 info x.hex --device M3062" M30624FGFP
refuse "plx71 info x.hex --device M3062" M30803FGFP
expect "plx71 --yes download --port CO" COM1 COM2 COM3 COM4
expect "plx71 download jo" job.pxp jobs.txt
expect "plx71 upload -o j" job.pxp
refuse "plx71 download --port COM1 " devices
expect "plx71 release --" --line --line-token --note --revoke
expect "plx71 release jo" job.pxp
expect "plx71 download --" --require-release --line
[ "$failures" -eq 0 ] || { echo "bash completion: $failures failures" >&2; exit 1; }
echo "bash completion: every check passed"
