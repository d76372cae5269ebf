#!/usr/bin/env bash
# Runs the instrument simulator (twelve stacks on 127.0.0.1 to 127.0.0.12), the
# data-server sink (127.0.0.1:22700) and the program on an X display, all in a
# network and a mount namespace of their own (started with `unshare -n -m`),
# where the user's folder for locks is covered by a fresh one: so several of
# these run side by side without meeting on the loopback ports or the
# single-instance lock. Ends with the program, and takes the simulators along.
# usage: relay_in_namespace.sh BUILD_DIR DISPLAY WORK_DIR [SIMULATOR_OPTION...]
# (options after the third argument go to the instrument simulator, e.g. --values 250,15.3)
set -u
build="$1" display="$2" work="$3"
shift 3
ip link set lo up || exit 90
uid="$(id -u)"
locks="$(getent passwd "$uid" | cut -d: -f6)"
locks="${locks%/}/.rerovora-runtime-$uid"
mkdir -p -m 700 "$locks" && mount -t tmpfs -o mode=0700 tmpfs "$locks" || exit 92
"$build/tools/instrument_sim" --address 127.0.0.1-127.0.0.12 --port 4000 --duration 3600 "$@" 2>"$work/simulators.log" &
sim=$!
"$build/tools/server_sink" --address 127.0.0.1 --port 22700 --duration 3600 >"$work/records.log" 2>>"$work/simulators.log" &
sink=$!
mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
# Under AddressSanitizer: the X keyboard library copies its key names with
# strndup from buffers that are not NUL-terminated, which the strict string
# check takes for an overflow. The program's own code keeps the check in
# every other test.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"
cd "$work/relay" || exit 91
DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" "$build/rerovora" &
program=$!
trap 'kill $program 2>/dev/null' TERM INT
wait $program
status=$?
kill $sim $sink 2>/dev/null
wait
exit $status
