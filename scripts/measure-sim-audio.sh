#!/usr/bin/env bash
# What `vardenctl sim --audio` costs as a real process: a private PipeWire
# (tests/audio/with-pipewire.sh), the live preset with every band of every
# channel shaped and both crossovers at 48 dB per octave, a room of four 2 s
# responses (--room) with noise at the microphone, noise played into
# varden-sim-in and the outputs and the microphone recorded, at PipeWire's
# default quantum.
# Prints the processor time of the vardenctl process as a share of one core,
# and its under-runs.
#   scripts/measure-sim-audio.sh [BUILD] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
SECONDS_RUN=${2:-20}
ctl=$PWD/$BUILD/tools/vardenctl/vardenctl
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$ctl" demo "$work/demo.dia" >/dev/null
"$ctl" convert "$work/demo.dia" "$work/busy.json" >/dev/null
python3 - "$work/busy.json" "$work/noise.wav" "$SECONDS_RUN" <<'PY'
import json, random, struct, sys
p = json.load(open(sys.argv[1]))
for ch in p["channels"]:
    ch["output"] = 1
    for i, b in enumerate(ch["bands"]):
        b["gain"] = 260 if i % 2 else 150
    ch["hpf"] = {"freq": 40, "type": 0, "slope": 6}
    ch["lpf"] = {"freq": 16000, "type": 0, "slope": 6}
json.dump(p, open(sys.argv[1], "w"))
import math, os
room = os.path.join(os.path.dirname(sys.argv[2]), "room")
os.mkdir(room)
for c in range(1, 5):
    ir = b"".join(struct.pack("<h", int(max(-32767, min(32767, random.gauss(0, 8000) * math.exp(-k / 20000)))))
                  for k in range(96000))
    h = b"RIFF" + struct.pack("<I", 36 + len(ir)) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 1, 48000, 96000, 2, 16)
    open(os.path.join(room, "ch%d.wav" % c), "wb").write(h + b"data" + struct.pack("<I", len(ir)) + ir)
n = 48000 * (int(sys.argv[3]) + 5)
data = b"".join(struct.pack("<hh", v, v) for v in (int(random.gauss(0, 3000)) for _ in range(n)))
hdr = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 2, 48000, 192000, 4, 16)
open(sys.argv[2], "wb").write(hdr + b"data" + struct.pack("<I", len(data)) + data)
PY
"$ctl" convert "$work/busy.json" "$work/busy.dia" >/dev/null

tests/audio/with-pipewire.sh bash -c '
set -eu
ctl=$1; work=$2; secs=$3
"$ctl" sim --audio --room "$work/room" --noise -60 --fast >"$work/port" 2>"$work/sim.err" & sim=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
"$ctl" write --port "$(head -1 "$work/port")" --slot 0 "$work/busy.dia" >/dev/null
pw-record --target varden-sim-out --channels 4 --format f32 /dev/null & rec=$!
pw-record --target varden-sim-mic --channels 2 --format f32 /dev/null & mic=$!
pw-play --target varden-sim-in "$work/noise.wav" & play=$!
sleep 2
tick=$(getconf CLK_TCK)
t0=$(awk "{print \$14 + \$15}" /proc/$sim/stat)
sleep "$secs"
t1=$(awk "{print \$14 + \$15}" /proc/$sim/stat)
quantum=$(pw-metadata -n settings 0 clock.quantum 2>/dev/null | sed -n "s/.*value:.\([0-9]*\).*/\1/p")
kill $play $rec $mic 2>/dev/null || true
kill -INT $sim; wait $sim || true
echo "vardenctl sim --audio: $(( (t1 - t0) * 1000 / tick )) ms of processor time in $secs s" \
     "= $(awk "BEGIN {printf \"%.1f\", 100 * ($t1 - $t0) / $tick / $secs}") % of one core" \
     "(quantum ${quantum:-default})"
grep -h "under-run" "$work/sim.err" || echo "no under-runs"
' measure "$ctl" "$work" "$SECONDS_RUN" 2>&1 | grep -v '^dbus-daemon'
