#!/usr/bin/env bash
# No function in libs/ or apps/ (tests included) runs over 80 lines: a longer
# one is split into steps with names. Reads the definitions with
# universal-ctags (start and end line of each) and lists every one too long.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-80}
mapfile -t files < <(git ls-files 'libs/*.cpp' 'libs/*.hpp' 'apps/*.cpp' 'apps/*.hpp')
long=$(ctags --languages=C++ --kinds-C++=f --fields=+ne -f - "${files[@]}" |
  awk -F'\t' -v limit="$limit" '{
      start = 0; end = 0
      for (i = 4; i <= NF; i++) {
          if ($i ~ /^line:/) start = substr($i, 6)
          if ($i ~ /^end:/) end = substr($i, 5)
      }
      lines = end - start + 1
      if (end > 0 && lines > limit) printf "  %s:%d %s (%d lines)\n", $2, start, $1, lines
  }')
if [ -n "$long" ]; then
  printf 'functions over %d lines:\n%s\n' "$limit" "$long" >&2
  exit 1
fi
echo "function length: ${#files[@]} files, none over $limit lines"
