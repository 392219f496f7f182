#!/usr/bin/env bash
# Runs a command inside a private network namespace that has only loopback, so network tests
# never clash over ports and nothing they send can leave the machine. The limited broadcast
# address is routed to loopback there, so the game's own LAN search reaches programs on this
# machine and nowhere else. Exits 77 (a skip for CTest) when no namespace can be made.
set -euo pipefail
if [ "${KORVANE_IN_NETNS:-}" != 1 ]; then
  export KORVANE_IN_NETNS=1
  for how in "unshare -n" "unshare -rn"; do
    if $how true 2>/dev/null; then
      exec $how "$0" "$@"
    fi
  done
  echo "netns-run: no private network namespace can be made here; not running $*" >&2
  exit 77
fi
ip link set lo up
ip route add 255.255.255.255/32 dev lo src 127.0.0.1
exec "$@"
