#!/usr/bin/env bash
# The main job: installs what is missing, builds (release preset) and shows
# the device table and the sample User ROM program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
bin=build/release/bin
"$bin/plx71" devices
"$bin/plx71" info examples/user_program.hex --device M30624FGFP
