#!/bin/sh
# Runs a command beside a private PipeWire with WirePlumber: its own session
# bus and a temporary XDG_RUNTIME_DIR, so the user's sound is never touched.
# Both are stopped when the command ends; the command's status is the
# script's. Fails (not skips) when they cannot be started.
#   tests/audio/with-pipewire.sh COMMAND [ARGS...]
set -eu
for tool in dbus-run-session pipewire wireplumber pw-cli; do
    command -v "$tool" >/dev/null || { echo "with-pipewire: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
runtime=$(mktemp -d "${TMPDIR:-/tmp}/varden-pw.XXXXXX")
chmod 0700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
# WirePlumber keeps volumes and defaults in its state folder: a fresh one.
export XDG_STATE_HOME="$runtime/state"
unset PIPEWIRE_REMOTE PULSE_SERVER
# Inside the session: start both, wait for the dummy driver to appear, run.
exec_inside='
pipewire >"$XDG_RUNTIME_DIR/pipewire.log" 2>&1 & pw=$!
wireplumber >"$XDG_RUNTIME_DIR/wireplumber.log" 2>&1 & wp=$!
stop() { kill $wp $pw 2>/dev/null; wait $wp $pw 2>/dev/null; }
trap stop EXIT
i=0
until pw-cli ls Node 2>/dev/null | grep -q Dummy-Driver; do
    i=$((i + 1))
    if [ $i -gt 100 ]; then
        echo "with-pipewire: PipeWire did not come up in 10 s" >&2
        cat "$XDG_RUNTIME_DIR/pipewire.log" "$XDG_RUNTIME_DIR/wireplumber.log" >&2
        exit 1
    fi
    sleep 0.1
done
# WirePlumber links the streams: wait until its policy runs (it publishes
# the "default" metadata then).
i=0
until pw-cli ls Metadata 2>/dev/null | grep -q "metadata.name = \"default\""; do
    i=$((i + 1))
    if [ $i -gt 100 ]; then
        echo "with-pipewire: WirePlumber did not come up in 10 s" >&2
        cat "$XDG_RUNTIME_DIR/wireplumber.log" >&2
        exit 1
    fi
    sleep 0.1
done
# Long cycles (170 ms), so a busy machine that is late for one does not
# break the sound the tests measure.
pw-metadata -n settings 0 clock.max-quantum 8192 >/dev/null
pw-metadata -n settings 0 clock.force-quantum 8192 >/dev/null
status=0
"$@" || status=$?
if [ $status -ne 0 ]; then
    # What the servers said, for a failure that is theirs.
    echo "with-pipewire: the command failed ($status); the sound servers:" >&2
    kill -0 $wp 2>/dev/null || echo "with-pipewire: WirePlumber is no longer running" >&2
    pw-link -l >&2 2>&1
    tail -n 40 "$XDG_RUNTIME_DIR/pipewire.log" "$XDG_RUNTIME_DIR/wireplumber.log" >&2
fi
exit $status
'
dbus-run-session -- sh -c "$exec_inside" with-pipewire "$@"
