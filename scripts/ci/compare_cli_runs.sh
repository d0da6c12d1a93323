#!/bin/bash
# Runs plx71 of two builds through the same jobs against plx71sim and shows
# every difference in what they say and write: each --help, each command
# plain and with --json (the box healthy and with its faults), the record
# lines and the files an upload or a convert writes. A change that should
# leave the behaviour alone must leave nothing but the version string and
# timing (durations, record times, the progress percentages a poll happened
# to see).
#
#   scripts/ci/compare_cli_runs.sh OLD_BIN NEW_BIN
#
# OLD_BIN and NEW_BIN each hold plx71 and plx71sim (any build type). Both
# sides run in the same work folder, one after the other, so paths agree.
# Exit 0 when the two agree, 1 when they differ (the diff is printed).
set -u
[ $# -eq 2 ] || { echo "usage: $0 OLD_BIN NEW_BIN" >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
table="$root/resources/plx71typ.tbl"
out=$(mktemp -d /tmp/plx71-compare-XXXXXX)
work=/tmp/plx71-compare-work
simpids=()

stop_sims() {
  local pid
  for pid in "${simpids[@]}"; do kill -INT "$pid" 2>/dev/null || true; done
  for pid in "${simpids[@]}"; do wait "$pid" 2>/dev/null || true; done
  simpids=()
}
trap 'stop_sims; rm -rf "$work"' EXIT

# sim TTY ARG...: a box on $work/TTY, ready when its terminal is there.
sim() {
  local tty="$work/$1"
  shift
  rm -f "$tty"
  "$bin/plx71sim" "$@" --busy-ms 5 --link "$tty" >>"$work/sim.out" 2>&1 &
  simpids+=($!)
  for _ in $(seq 200); do [ -e "$tty" ] && return; sleep 0.05; done
  echo "plx71sim did not start" >&2
  exit 2
}

# run NAME ARG...: plx71 ARG... in $work, its stdout, stderr and exit code
# kept under NAME; then the same with --json.
run() {
  local name=$1
  shift
  run_once "$name" "$@"
  run_once "$name.json" --json "$@"
}
run_once() {
  local name=$1
  shift
  (cd "$work" && "$bin/plx71" --table "$table" "$@" </dev/null >"$dest/$name.out" 2>"$dest/$name.err")
  echo $? >"$dest/$name.rc"
}

# box NAME FAULTS -- ARG...: run with a fresh box holding the seeded job
# (FAULTS are plx71sim options, possibly none), then keep its record.
box() {
  local name=$1
  shift
  local faults=()
  while [ "$1" != "--" ]; do faults+=("$1"); shift; done
  shift
  for mode in plain json; do
    cp "$work/seed.state" "$work/box.state"
    rm -f "$work/rec.jsonl" "$work"/up.*
    sim tty --state "$work/box.state" "${faults[@]}"
    if [ $mode = plain ]; then run_once "$name" "$@" --port "$work/tty" --record rec.jsonl
    else run_once "$name.json" --json "$@" --port "$work/tty" --record rec.jsonl; fi
    stop_sims
    [ -f "$work/rec.jsonl" ] && cp "$work/rec.jsonl" "$dest/$name.$mode.record"
    for f in "$work"/up.*; do [ -f "$f" ] && cp "$f" "$dest/$name.$mode.$(basename "$f")"; done
  done
}

make_files() {
  rm -rf "$work"
  mkdir -p "$work"
  cp "$root"/examples/* "$work/"
  python3 - "$work" "$root/tools" <<'EOF'
import os, struct, sys
work, tools = sys.argv[1], sys.argv[2]
sys.path.insert(0, tools)
import make_examples as m
demo = open(os.path.join(work, "demo_project.pxp"), "rb").read()
def variant(name, index=None, lock=None, ops=None, boot="boot_update.btp", user="user_program.hex"):
    data = m.project(0, "M30624FGFP", ((0xC0000, 0x40000), (0xFE000, 0x2000)), 6, 50, 50, boot, user)
    if index is not None:
        data = data[:32] + struct.pack("<i", index) + data[36:]
    if lock or ops:
        head = data[:192]
        t = lambda s: struct.pack("<I", len(s)) + s.encode()
        lm, ll = lock or (0, "")
        om, ol = ops or (0, "")
        data = head + t(boot) + t(user) + struct.pack("<i", lm) + t(ll) + struct.pack("<i", om) + t(ol) + b"PLX71RD" + struct.pack("<ii", 0, 4)
    open(os.path.join(work, name), "wb").write(data)
variant("nodevice.pxp", index=-1)
variant("blocks.pxp", lock=(3, "1,2"), ops=(1, "0,2-4"))
variant("badblocks.pxp", lock=(3, "9"), ops=(1, "7-1"))
variant("missing.pxp", user="gone.hex")
variant("badboot.pxp", boot="bad.btp")
variant("protected.pxp", user="protected.hex")
variant("outside.pxp", user="outside.hex")
open(os.path.join(work, "garbage.pxp"), "wb").write(b"not a project\n")
h = m.hex_line
seg = lambda v: h(2, 0, 2, [v >> 8, v & 0xFF])
hexes = {
    "bad.btp": "S2 broken\n",
    "outside.hex": "\n".join([seg(0xB000), h(1, 0, 0, [1]), ":00000001FF"]),
    "noend.hex": "\n".join([seg(0xC000), h(1, 0, 0, [1])]),
    "checksum.hex": "\n".join([seg(0xC000), ":0100000001FF", ":00000001FF"]),
    "conflict.hex": "\n".join([seg(0xC000), h(1, 0, 0, [1]), h(1, 0, 0, [2]), ":00000001FF"]),
    "empty.hex": ":00000001FF\n",
    "protected.hex": "\n".join([seg(0xC000), h(1, 0, 0, [1]), seg(0xF000), h(1, 0xFFFF, 0, [0x3F]), ":00000001FF"]),
}
for name, text in hexes.items():
    open(os.path.join(work, name), "w").write(text + "\n")
EOF
}

file_commands() {
  run_once help --help
  run_once version --version
  for c in devices info convert versions download verify upload firmware ports; do run_once "help-$c" "$c" --help; done
  "$bin/plx71sim" --help >"$dest/sim-help.out" 2>&1
  run devices devices
  run info-hex info --device M30624FGFP user_program.hex
  run info-mot info --device M30624FGFP user_program.mot
  run info-btp info --device M30624FGFP --area boot boot_update.btp
  for f in gone.hex bad.btp outside.hex noend.hex checksum.hex conflict.hex empty.hex protected.hex; do
    run "info-$f" info --device M30624FGFP "$f"
  done
  run info-protected-yes --yes info --device M30624FGFP protected.hex
  run info-nodevice info --device NOPE user_program.hex
  for r in "" "C0000-C0000" "C00FF-C0000" "FC000-FC00F, C0000" "BFFFF"; do
    local tag=${r//[^0-9A-Fa-f]/_}
    rm -f "$work"/out.*
    if [ -n "$r" ]; then run "convert-$tag" convert --device M30624FGFP --ranges "$r" user_program.hex out.mot
    else run "convert-all" convert --device M30624FGFP user_program.hex out.hex; fi
    for f in "$work"/out.*; do [ -f "$f" ] && cp "$f" "$dest/convert-$tag.$(basename "$f")"; done
  done
  run ports ports
}

link_commands() {
  # The seed: the box's stored job for the verify and upload cases.
  rm -f "$work/seed.state"
  sim tty --state "$work/seed.state"
  (cd "$work" && "$bin/plx71" --table "$table" -q download demo_project.pxp --port "$work/tty" >/dev/null 2>&1)
  stop_sims
  box versions -- versions
  box versions-silent --silent -- versions
  box versions-firmware --firmware-version "V9.99 2099/01/01" -- versions
  for p in demo_project.pxp blocks.pxp badblocks.pxp nodevice.pxp missing.pxp badboot.pxp protected.pxp \
    outside.pxp garbage.pxp gone.pxp; do
    box "download-$p" -- download "$p"
  done
  box download-protected-yes -- --yes download protected.pxp
  box download-no-verify -- download --no-verify demo_project.pxp
  box download-skip-blank -- download --skip-blank demo_project.pxp
  box download-baud -- download --baud 38400 blocks.pxp
  box download-recover -- download --recover demo_project.pxp
  box download-nak --nak 3 -- download demo_project.pxp
  box download-drop --drop-ack 3 -- download demo_project.pxp
  box download-corrupt --corrupt 2 -- download demo_project.pxp
  box download-fail-page --fail-page 0xC10 -- download demo_project.pxp
  box download-fail-page-recover --fail-page 0xC10 -- download --recover demo_project.pxp
  box download-flip --flip-read 0xC10:3 -- download demo_project.pxp
  box download-flip-recover --flip-read 0xC10:3 -- download --recover demo_project.pxp
  box download-unerased --unerased-page 0xC20 -- download --skip-blank demo_project.pxp
  box download-silent --silent -- download demo_project.pxp
  box download-firmware --firmware-version "V9.99 2099/01/01" -- download demo_project.pxp
  for field in device update-enable user-file-name check-id lock-bits operation-blocks; do
    box "download-alter-$field" --alter-setting "$field" -- download blocks.pxp
    box "verify-alter-$field" --alter-setting "$field" -- verify demo_project.pxp
  done
  box verify -- verify demo_project.pxp
  box verify-blocks -- verify blocks.pxp
  box verify-nodevice -- verify nodevice.pxp
  box verify-no-settings --no-settings -- verify demo_project.pxp
  box verify-flip --flip-read 0xC10:5 -- verify demo_project.pxp
  box upload -- upload -o up.pxp --user-rom up.hex --boot-rom up.btp
  box upload-mot -- upload -o up.pxp --user-rom up.mot
  box upload-no-settings --no-settings -- upload -o up.pxp --user-rom up.hex
  box upload-twice -- upload --read-twice -o up.pxp --user-rom up.hex
  box firmware -- firmware firmware_v131.hex
  box firmware-bad -- firmware firmware_bad_header.hex
  # Two boxes at once, one of them failing.
  for mode in plain json; do
    rm -f "$work/rec.jsonl"
    sim tty
    sim tty2 --fail-page 0xC10
    local json=()
    [ $mode = json ] && json=(--json)
    run_once "gang.$mode" "${json[@]}" download demo_project.pxp --port "$work/tty" --port "$work/tty2" \
      --record rec.jsonl
    stop_sims
    sort "$work/rec.jsonl" >"$dest/gang.$mode.record"
  done
}

oldbin=$(cd "$1" && pwd)
newbin=$(cd "$2" && pwd)
for side in old new; do
  bin=$([ $side = old ] && echo "$oldbin" || echo "$newbin")
  dest="$out/$side"
  mkdir -p "$dest"
  make_files
  file_commands
  link_commands
done

# Only the version and timing may differ: both are blanked before the diff,
# with what differs from one run to the next (the pseudo terminal's number,
# the order in which two boxes of a gang print).
normalize() {
  sed -E -e 's/"(durationMs|time|jobId)":("[^"]*"|[0-9]+)/"\1":_/g' \
    -e 's/"programVersion":"[^"]*"/"programVersion":_/' \
    -e 's#"deviceNode":"/dev/pts/[0-9]+"#"deviceNode":_#g' \
    -e 's/[0-9]+\.[0-9] s( |$)/_ s\1/g' \
    -e '/ [0-9]+%$/d' \
    -e 's/(plx71|plx71sim) [0-9][^ ]*( |$)/\1 _\2/' -e 's/\(git [0-9a-f]+\)/(git _)/' \
    -e "s#$1#BIN/#g; s#$2#BIN/#g" "$3" | { case $3 in */gang*) sort ;; *) cat ;; esac; }
}
status=0
for f in $(cd "$out/old" && ls); do
  if ! diff -u <(normalize "$oldbin" "$newbin" "$out/old/$f") <(normalize "$oldbin" "$newbin" "$out/new/$f") >"$out/diff.tmp" 2>&1; then
    cat "$out/diff.tmp"
    status=1
  fi
done
only=$(diff <(cd "$out/old" && ls) <(cd "$out/new" && ls))
[ -z "$only" ] || { echo "$only"; status=1; }
echo "compared $(ls "$out/old" | wc -l) outputs: $([ $status = 0 ] && echo "no difference" || echo "differences above") ($out)"
exit $status
