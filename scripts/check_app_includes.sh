#!/usr/bin/env bash
# The programs reach a writer box only through BoxSession (ops/): their
# sources include no link header but those that name and choose ports and
# rates (plx71 ports, the COM list, --port, --rate). The link itself, its
# frames, commands and sequences stay inside libs/core.
set -euo pipefail
cd "$(dirname "$0")/.."
allowed='port_choice|port_names|port_resolver|port_catalog|station_file|latency_advice|link_rates'
bad=$(git grep -nE '#\s*include\s*"plx71/link/' -- 'apps/*/src/*' 'libs/qtui/*' |
  grep -vE "\"plx71/link/(${allowed})\.hpp\"" || true)
if [ -n "$bad" ]; then
  printf 'program sources include link headers (go through ops/box_session.hpp):\n%s\n' "$bad" >&2
  exit 1
fi
echo "app includes: no link headers beyond port and rate choice"
