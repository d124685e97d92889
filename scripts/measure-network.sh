#!/usr/bin/env bash
# measure-network.sh [BUILD] [RUNS]: vardenctl through ser2net, the real
# device server, in front of virtual processors paced at 9600 baud.
#  1. A preset write over ser2net (raw TCP and telnet/RFC 2217) against its
#     wire time (goal: at most 1.15 times) and the same write on the
#     pseudo-terminal directly.
#  2. A backup of four devices at once against a backup of one (goal: at
#     most 1.1 times).
#  3. With 50 ms added each way by a delaying relay (scripts/delay-relay.py):
#     a write with --verify and a backup complete, the frames sent towards the
#     device are as many as without the delay (none sent twice), and nothing
#     is reported lost.
# Prints the median of RUNS runs. Needs ser2net and python3.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${2:-3}
ctl=$PWD/$BUILD/tools/vardenctl/vardenctl
[ -x "$ctl" ] || { echo "no $ctl: build first" >&2; exit 1; }
command -v ser2net >/dev/null || { echo "ser2net is not installed (scripts/install-deps.sh)" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config  # remembered ports stay out of the user's own

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

ptys=()
for i in 1 2 3 4; do
    "$ctl" sim --state "$work/device$i.vsim" >"$work/port$i" 2>/dev/null &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$work/port$i" ] && break; sleep 0.1; done
    ptys+=("$(head -1 "$work/port$i")")
done
raw=() telnet=()
: >"$work/ser2net.yaml"
for i in 0 1 2 3; do
    r=$(free_port) t=$(free_port)
    cat >>"$work/ser2net.yaml" <<YAML
connection: &raw$i
  accepter: tcp,127.0.0.1,$r
  connector: serialdev,${ptys[$i]},9600n81,local
connection: &telnet$i
  accepter: telnet(rfc2217),tcp,127.0.0.1,$t
  connector: serialdev,${ptys[$i]},9600n81,local
YAML
    raw+=("tcp://127.0.0.1:$r") telnet+=("rfc2217://127.0.0.1:$t")
done
ser2net -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" 2>/dev/null &
pids+=($!)
sleep 1
"$ctl" demo "$work/demo.dia" >/dev/null

# Milliseconds of the median of RUNS runs of the command.
median_ms() {
    local times=() start end
    for _ in $(seq "$RUNS"); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>"$work/last-err" || { echo "failed: $*" >&2; cat "$work/last-err" >&2; exit 1; }
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n "$((RUNS / 2 + 1))p"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

# A write: the name frame and four blocks, each with its 18-byte answer.
wire_ms=$(((36 + 4 * (274 + 18)) * 10 * 1000 / 9600))
printf '%-34s %9s %7s\n' "write to slot 2" median_ms ratio
printf '%-34s %9d\n' "wire time" "$wire_ms"
for port in "${ptys[0]}" "${raw[0]}" "${telnet[0]}"; do
    ms=$(median_ms "$ctl" write --port "$port" --slot 2 "$work/demo.dia" --name DEMO)
    printf '%-34s %9d %7s\n' "$port" "$ms" "$(ratio "$ms" "$wire_ms")"
done

echo
one=$(median_ms bash -c "rm -rf '$work/b1' && '$ctl' backup --port '${telnet[0]}' '$work/b1'")
four=$(median_ms bash -c "rm -rf '$work/b4' && '$ctl' backup --port '${telnet[0]}' --port '${telnet[1]}' --port '${telnet[2]}' --port '${telnet[3]}' '$work/b4'")
printf '%-34s %9d\n' "backup, one device" "$one"
printf '%-34s %9d %7s\n' "backup, four devices at once" "$four" "$(ratio "$four" "$one")"

echo
relay=$(free_port)
python3 scripts/delay-relay.py "$relay" 127.0.0.1 "${raw[0]#tcp://127.0.0.1:}" 0 "$work/frames-0" &
pids+=($!)
slow=$(free_port)
python3 scripts/delay-relay.py "$slow" 127.0.0.1 "${raw[0]#tcp://127.0.0.1:}" 50 "$work/frames-50" &
pids+=($!)
sleep 0.5
for delay in 0 50; do
    port=$([ "$delay" = 0 ] && echo "$relay" || echo "$slow")
    start=$(date +%s%N)
    "$ctl" write --port "tcp://127.0.0.1:$port" --slot 4 "$work/demo.dia" --name LATENCY --verify >/dev/null 2>"$work/err-$delay" &&
        "$ctl" backup --port "tcp://127.0.0.1:$port" "$work/slow-$delay" >/dev/null 2>>"$work/err-$delay" &&
        result=completed || result="FAILED: $(tr '\n' ' ' <"$work/err-$delay")"
    end=$(date +%s%N)
    frames=$(paste -sd+ "$work/frames-$delay" | bc)
    printf '%-34s %9d ms, %s frame starts sent, %s\n' "+$delay ms each way: write+verify+backup" \
        $(((end - start) / 1000000)) "$frames" "$result"
done
if cmp -s <(cd "$work/slow-0" && sha1sum -- *.dia) <(cd "$work/slow-50" && sha1sum -- *.dia); then
    echo "backups with and without latency: identical"
else
    echo "backups with and without latency: DIFFERENT"
fi
