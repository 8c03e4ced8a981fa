#!/usr/bin/env bash
# orvane2-cli.exe under Wine against the Linux simulator: the TCP link, the
# serial link (COM5 is the simulator's pseudo-terminal), an upgrade over each
# checked against the simulator's flash, the settings file in the prefix's
# application-data folder, and discovery on loopback.
# usage: tests/windows/run.sh [BUILD]   BUILD: the windows preset's folder (build/windows)
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/windows}
cli=$build/bin/orvane2-cli.exe
sim=build/dev/bin/orvane2-sim
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$PWD/$build/wineprefix}
unset DISPLAY
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

[ -f "$cli" ] || { echo "run.sh: no $cli: build the windows preset first" >&2; exit 2; }
if [ ! -x "$sim" ]; then
  echo "run.sh: building the Linux simulator" >&2
  { cmake --preset dev >/dev/null && cmake --build build/dev --target orvane2-sim; } ||
    { echo "run.sh: no Linux simulator; run ./dev build first" >&2; exit 2; }
fi

scratch=$(mktemp -d)
sims=()
finish() {
  local p
  for p in "${sims[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  "$wineserver" -k 2>/dev/null
  rm -rf "$scratch"
}
trap finish EXIT
# One server for every run, and the prefix's services started now: they
# would otherwise keep the first check's output open after it ended.
"$wineserver" -p >/dev/null 2>&1 </dev/null
"$wine" "$cli" --version >/dev/null 2>&1 </dev/null

# start_sim NAME ARGS...: the Linux simulator in the background, once it is
# ready; its pid in sim_pid, what it printed in $scratch/NAME.out.
start_sim() {
  local name=$1 i
  shift
  "$sim" "$@" >"$scratch/$name.out" 2>&1 &
  sim_pid=$!
  sims+=("$sim_pid")
  for i in $(seq 100); do
    grep -qx ready "$scratch/$name.out" && return 0
    kill -0 "$sim_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# stop_sim PID: ended and waited for, so that what it writes on the way is there.
stop_sim() { kill "$1" 2>/dev/null; wait "$1" 2>/dev/null; }

# The instrument's port is fixed (10001): an address of its own in 127.0.0.200-249
# (in lan; LAN in the arguments stands for it), trying another while one is
# taken by a run beside this one.
start_lan_sim() {
  local name=$1 tries
  shift
  for tries in 1 2 3 4 5; do
    lan=127.0.0.$((200 + RANDOM % 50))
    start_sim "$name" --tcp "$lan" "${@//LAN/$lan}" && return 0
  done
  return 1
}

passed=0 failed=0
# check NAME STATUS PATTERN COMMAND...: the command exits with STATUS and its
# output (stdout and stderr) has a line matching the extended regex PATTERN.
check() {
  local name=$1 want=$2 pattern=$3 out status
  shift 3
  out=$(timeout 120 "$@" 2>&1)
  status=$?
  if [ "$status" = "$want" ] && grep -Eq -- "$pattern" <<<"$out"; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    printf 'FAIL %s (exit %s, wanted %s and /%s/):\n%s\n' "$name" "$status" "$want" "$pattern" "$out"
  fi
}
# same_flash NAME PREFIX: the simulator's flash (written on its restart) holds the whole image.
same_flash() {
  check "$1" 0 "" cmp "$2.0" examples/upgrade/firmware.txt
}

upgrade=$build/examples/upgrade/demo.upg
# What the upgrade prints at its end, from where the program keeps it.
sent=$(sed -n 's/.*kFirmwareSentLog\[\] = "\(.*\)";/\1/p' src/firmware/firmware_texts.h)
win=("$wine" "$cli")

# The TCP link.
if start_lan_sim lan --bootloader "image=$scratch/lan-flash"; then
  lan_pid=$sim_pid
  check "lan identify" 0 "Model: +TRV8844" "${win[@]}" --lan "$lan" identify
  check "lan query" 0 "^Kelmscot,TRV8844,10234" "${win[@]}" --lan "$lan" query '*IDN?' 'read?'
  check "lan upgrade" 0 "$sent" "${win[@]}" --lan "$lan" upgrade "$upgrade" --yes
  stop_sim "$lan_pid"
  same_flash "lan upgrade: every record in flash" "$scratch/lan-flash"
else
  failed=$((failed + 1))
  echo "FAIL the simulator did not start on TCP: $(cat "$scratch/lan.out")"
fi

# The serial link: the prefix's COM5 is the simulator's pseudo-terminal.
if start_sim com --pty --bootloader "image=$scratch/com-flash"; then
  com_pid=$sim_pid
  ln -sfn "$(sed -n 's/^pty: //p' "$scratch/com.out")" "$WINEPREFIX/dosdevices/com5"
  check "com5 identify" 0 "Model: +TRV8844" "${win[@]}" --usb COM5 identify
  # The descriptor named as Windows users name it; main.hex is found beside it.
  check "com5 upgrade" 0 "$sent" "${win[@]}" --usb COM5 upgrade "${upgrade//\//\\}" --yes
  stop_sim "$com_pid"
  same_flash "com5 upgrade: every record in flash" "$scratch/com-flash"
  rm -f "$WINEPREFIX/dosdevices/com5"
else
  failed=$((failed + 1))
  echo "FAIL the simulator did not start on a pseudo-terminal: $(cat "$scratch/com.out")"
fi

# The saved connection in %LOCALAPPDATA%, and discovery on loopback.
if start_lan_sim found --discover both --discover-on LAN; then
  found_pid=$sim_pid
  # The connection as the desktop program saves it, where it keeps its settings.
  local_appdata=$(find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 3 -path '*/AppData/Local' ! -path '*/Public/*' | head -1)
  mkdir -p "$local_appdata/Kelmscot/Orvaner"
  printf '[Connect]\r\nInterface=2\r\nIPAddr=%s\r\n' "$lan" >"$local_appdata/Kelmscot/Orvaner/Orvaner.ini"
  check "settings read from %LOCALAPPDATA%" 0 "Address: +$lan" "${win[@]}" identify
  rm -rf "$local_appdata/Kelmscot"
  check "discover" 0 "^$lan	Kelmscot,TRV8844,10234" env ORVANE2_DISCOVERY_ADDRESS="$lan" "${win[@]}" discover
  stop_sim "$found_pid"
else
  failed=$((failed + 1))
  echo "FAIL the simulator did not start for the settings and discovery: $(cat "$scratch/found.out")"
fi

echo "windows integration: $passed passed, $failed failed"
[ "$failed" = 0 ]
