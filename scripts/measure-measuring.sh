#!/usr/bin/env bash
# How long `vardenctl measure` takes for one channel, muting included: the
# virtual processor paced at 9600 baud like the device, with a room, on a
# private PipeWire (tests/audio/with-pipewire.sh) at a desktop's quantum of
# 1024 frames, the default 2 s sweep. Each stderr line is stamped as it
# comes; the time from "switching off the outputs" to "are on again" is the
# measuring of one channel (muting, sweep, tail, putting back), printed
# beside the goal of the sweep plus 1 s, with the whole command's time (its
# read of the live setting before and its check after included).
#   scripts/measure-measuring.sh [BUILD] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${2:-5}
ctl=$PWD/$BUILD/tools/vardenctl/vardenctl
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/room"
python3 - "$work/room" <<'PY'
import os, struct, sys
# Each loudspeaker a delay and a reflection.
for c, (n, g) in enumerate([(100, 0.5), (140, 0.4), (120, 0.3), (160, 0.3)], 1):
    ir = [0.0] * (n + 301)
    ir[n], ir[n + 300] = g, -g / 4
    data = b"".join(struct.pack("<f", v) for v in ir)
    hdr = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 3, 1, 48000, 192000, 4, 32)
    open(os.path.join(sys.argv[1], "ch%d.wav" % c), "wb").write(hdr + b"data" + struct.pack("<I", len(data)) + data)
PY

tests/audio/with-pipewire.sh bash -c '
set -eu
ctl=$1; work=$2; runs=$3
pw-metadata -n settings 0 clock.force-quantum 1024 >/dev/null
"$ctl" sim --audio --room "$work/room" >"$work/port" 2>"$work/sim.err" & sim=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -1 "$work/port")
for run in $(seq "$runs"); do
    python3 - "$ctl" "$port" "$work/m.txt" <<"PY"
import subprocess, sys, time
ctl, port, out = sys.argv[1:4]
t0 = time.monotonic()
p = subprocess.Popen([ctl, "measure", "--port", port, "--channel", "1", "--output", "varden-sim-in",
                      "--input", "varden-sim-mic:1", "--reference", "varden-sim-mic:2", out],
                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
marks = {}
for line in p.stderr:
    for key in ("switching off the outputs", "sweep 1 of", "are on again"):
        if key in line:
            marks[key] = time.monotonic()
code = p.wait()
total = time.monotonic() - t0
if code != 0 or len(marks) != 3:
    sys.exit("vardenctl measure failed (%d)" % code)
one = marks["are on again"] - marks["switching off the outputs"]
print("one channel: %.2f s (goal: 2 s sweep + 1 s = 3.00 s), muting %.2f s; whole command %.2f s" % (one, marks["sweep 1 of"] - marks["switching off the outputs"], total))
PY
done
kill -INT $sim; wait $sim || true
' measure "$ctl" "$work" "$RUNS" 2>&1 | grep -v '^dbus-daemon'
