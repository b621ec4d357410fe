#!/bin/bash
# Runs a command on a private, virtual LAN of its own, with virtual
# instruments on it, so that the LAN search's UDP broadcasts never reach the
# machine's own interfaces:
#
#   lan-netns.sh --sim QUILLBOX_SIM --instruments FILE [--private-wineserver] -- COMMAND [ARGS...]
#
# Every host of that LAN is a network namespace made here with a unique name:
# a bridge namespace, the client namespace (where COMMAND runs) and one
# namespace per instrument, each joined to the bridge by a veth pair, on the
# subnet 10.113.7.0/24 (client .1, instruments .11 on). The client has a
# route for 255.255.255.255 through its LAN interface and no other way out.
#
# FILE names the instruments, one a line: NAME then quillbox-sim options
# (shell quoting). Each simulator serves TCP on its address, port 10001
# (unless its options say --no-tcp), and keeps a transcript. COMMAND sees:
#   QB_LAN_NETNS                  the client namespace's name
#   QB_LAN_CLIENT                 the client's address
#   QB_LAN_OUTSIDE_NETNS          the network namespace this script started in
#                                 (as /proc/self/ns/net names it)
#   QB_LAN_INSTRUMENTS            the names, in file order
#   QB_LAN_<NAME>                 an instrument's address (NAME in capitals)
#   QB_LAN_<NAME>_PID             its simulator's process id
#   QB_LAN_<NAME>_PIDFILE         its pid file, removed when the simulator ends
#   QB_LAN_<NAME>_TRANSCRIPT      its simulator's transcript file
#
# --private-wineserver gives COMMAND a wineserver of its own: Wine's socket
# calls run in the wineserver, so one started outside the client namespace
# must never be reached from inside it.
#
# Everything made is removed at the end, also when COMMAND fails or the run
# is interrupted. Exit code: COMMAND's; 77 when namespaces cannot be made
# (not root), so CTest reports the test as skipped - except when the
# environment variable CI is set (to anything but "" or "false"): a CI run
# must not pass without these cases, so there it fails (exit 1).
set -u
sim= instruments= private_wineserver=0
while [ $# -gt 0 ]; do
  case "$1" in
    --sim) sim=$2; shift 2 ;;
    --instruments) instruments=$2; shift 2 ;;
    --private-wineserver) private_wineserver=1; shift ;;
    --) shift; break ;;
    *) echo "lan-netns.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$sim" ] || [ -z "$instruments" ] || [ $# -eq 0 ]; then
  echo "usage: lan-netns.sh --sim QUILLBOX_SIM --instruments FILE [--private-wineserver] -- COMMAND [ARGS...]" >&2
  exit 2
fi
[ -x "$sim" ] || { echo "lan-netns.sh: no simulator at $sim" >&2; exit 2; }

tag="qbl-$$-$RANDOM"
lan="$tag-lan"
client="$tag-client"
subnet=10.113.7
namespaces=()
pids=()
mkdir -p "${QB_TEST_TMP:-/tmp}" || exit 2
work=$(mktemp -d "${QB_TEST_TMP:-/tmp}/qb-lan.XXXXXX") || exit 2

child=
cleanup() {
  if [ -n "$child" ]; then
    kill -TERM "$child" 2>/dev/null
    wait "$child" 2>/dev/null
  fi
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  # Deleting a namespace deletes its end of each veth pair, and so the pair.
  for ns in "${namespaces[@]}"; do ip netns delete "$ns" 2>/dev/null; done
  [ "${QB_KEEP_TMP:-0}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# What an earlier run could not remove (it was killed outright): the
# namespaces of runs whose script no longer exists, with whatever runs in them.
for ns in $(ip netns list 2>/dev/null | sed -n 's/^\(qbl-[0-9]*-[0-9]*-[a-z0-9-]*\).*/\1/p'); do
  owner=${ns#qbl-}
  owner=${owner%%-*}
  [ -d "/proc/$owner" ] && continue
  for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
  ip netns delete "$ns" 2>/dev/null
done

if ! ip netns add "$lan" 2>/dev/null; then
  case "${CI:-}" in
    "" | false)
      echo "lan-netns.sh: cannot create network namespaces (needs root and iproute2); skipped"
      exit 77
      ;;
  esac
  echo "lan-netns.sh: cannot create network namespaces (needs root and iproute2), and CI is set: failed" >&2
  exit 1
fi
namespaces+=("$lan")
fail() { echo "lan-netns.sh: $*" >&2; exit 1; }
ip -n "$lan" link add br0 type bridge && ip -n "$lan" link set br0 up || fail "cannot make the bridge"

port=0
# Makes namespace $1 a host of the LAN with address $2.
join_lan() {
  local ns=$1 address=$2
  ip netns add "$ns" || fail "cannot create namespace $ns"
  namespaces+=("$ns")
  ip -n "$lan" link add "p$port" type veth peer name eth0 netns "$ns" &&
    ip -n "$lan" link set "p$port" master br0 up &&
    ip -n "$ns" link set lo up &&
    ip -n "$ns" addr add "$address/24" dev eth0 &&
    ip -n "$ns" link set eth0 up || fail "cannot join $ns to the LAN"
  port=$((port + 1))
}

join_lan "$client" "$subnet.1"
ip -n "$client" route add 255.255.255.255/32 dev eth0 || fail "cannot route broadcasts in $client"
export QB_LAN_NETNS="$client" QB_LAN_CLIENT="$subnet.1"
export QB_LAN_OUTSIDE_NETNS=$(readlink /proc/self/ns/net)

names=()
host=11
while read -r name rest; do
  case "$name" in "" | "#"*) continue ;; esac
  eval "args=($rest)"
  address="$subnet.$host"
  host=$((host + 1))
  join_lan "$tag-$name" "$address"
  tcp=(--tcp "$address:10001")
  for a in "${args[@]}"; do [ "$a" = --no-tcp ] && tcp=(); done
  transcript="$work/$name.transcript"
  ip netns exec "$tag-$name" "$sim" "${tcp[@]}" --pidfile "$work/$name.pid" --transcript "$transcript" \
    "${args[@]}" >"$work/$name.log" 2>&1 &
  pids+=($!)
  upper=$(echo "$name" | tr 'a-z-' 'A-Z_')
  export "QB_LAN_$upper=$address" "QB_LAN_${upper}_TRANSCRIPT=$transcript"
  names+=("$name")
done <"$instruments"
export QB_LAN_INSTRUMENTS="${names[*]}"

# Each simulator writes its pid file once it listens.
for name in "${names[@]}"; do
  for _ in $(seq 100); do
    [ -s "$work/$name.pid" ] && break
    sleep 0.05
  done
  [ -s "$work/$name.pid" ] || { cat "$work/$name.log" >&2; fail "the simulator $name did not start"; }
  upper=$(echo "$name" | tr 'a-z-' 'A-Z_')
  export "QB_LAN_${upper}_PID=$(head -n 1 "$work/$name.pid")" "QB_LAN_${upper}_PIDFILE=$work/$name.pid"
done

# The command runs in the background so that a signal reaches the traps (and
# so the clean-up) at once, not when the command has ended.
if [ "$private_wineserver" = 1 ]; then
  # ip netns exec runs the command in a mount namespace of its own: a tmpfs
  # over Wine's server folder there hides every wineserver outside.
  ip netns exec "$client" /bin/sh -c \
    'dir=/tmp/.wine-$(id -u); mkdir -p "$dir" && mount -t tmpfs -o mode=0700 qb-lan-wine "$dir" && exec "$@"' \
    sh "$@" &
else
  ip netns exec "$client" "$@" &
fi
child=$!
wait "$child"
status=$?
child=
exit $status
