#!/usr/bin/env bash
# netns-run.sh COMMAND [ARG...]
#
# Runs COMMAND inside a throw-away pair of network namespaces, two "ship hosts":
#
#   host A  $QCX_NETNS_A  eth0 198.51.100.1/24   <- COMMAND runs here
#   host B  $QCX_NETNS_B  eth0 198.51.100.2/24      (peer: `ip netns exec $QCX_NETNS_B ...`)
#
# The two eth0 are the ends of one veth pair; each host has lo up and a route
# for 224.0.0.0/4 via its eth0. COMMAND finds in its environment:
#
#   QCX_NETNS_A, QCX_NETNS_B  the two namespace names
#   QCX_NETNS_PREFIX          prefix for further namespaces the test makes itself;
#                             every namespace named "$QCX_NETNS_PREFIX*" is removed
#                             together with A and B
#   QCX_NETNS_OUTER           inode of the network namespace this script started
#                             in, which a test must not be running in
#
# Names hold this script's PID, so parallel runs never collide. Everything is
# removed when the script exits, also after a failure or a signal; namespaces of
# a run that was killed outright (SIGKILL) are removed by the next run.
# Works from the initial namespace and from inside `unshare -n`.
#
# Exit status: COMMAND's; 77 (skipped) when not run as root; 1 when the hosts
# cannot be set up.

set -u

if [ $# -lt 1 ]; then
    echo "usage: netns-run.sh COMMAND [ARG...]" >&2
    exit 2
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "netns-run.sh: skipped: creating network namespaces needs root"
    exit 77
fi

export PATH="$PATH:/usr/sbin:/sbin"
if ! command -v ip >/dev/null 2>&1; then
    echo "netns-run.sh: the ip command (iproute2) is missing" >&2
    exit 1
fi

prefix="qcx-$$-"
host_a="${prefix}a"
host_b="${prefix}b"
child=""

own_namespaces() {
    ip netns list 2>/dev/null | awk '{ print $1 }' | grep -E "^$1" || true
}

cleanup() {
    if [ -n "$child" ] && kill -0 "$child" 2>/dev/null; then
        kill -TERM "$child" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$child" 2>/dev/null || break
            sleep 0.2
        done
        kill -KILL "$child" 2>/dev/null
        wait "$child" 2>/dev/null
    fi
    for ns in $(own_namespaces "$prefix"); do
        ip netns del "$ns" 2>/dev/null
    done
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Namespaces of earlier runs whose script is gone.
for ns in $(own_namespaces 'qcx-[0-9]+-'); do
    pid=${ns#qcx-}
    pid=${pid%%-*}
    if ! kill -0 "$pid" 2>/dev/null; then
        ip netns del "$ns" 2>/dev/null
    fi
done

setup_failed() {
    echo "netns-run.sh: could not set up the test hosts: $1" >&2
    exit 1
}

ip netns add "$host_a" || setup_failed "ip netns add $host_a"
ip netns add "$host_b" || setup_failed "ip netns add $host_b"
ip link add eth0 netns "$host_a" type veth peer name eth0 netns "$host_b" \
    || setup_failed "veth pair"

address_of_a=198.51.100.1/24
address_of_b=198.51.100.2/24
for pair in "$host_a $address_of_a" "$host_b $address_of_b"; do
    ns=${pair% *}
    address=${pair#* }
    ip -n "$ns" link set lo up || setup_failed "lo up in $ns"
    ip -n "$ns" addr add "$address" dev eth0 || setup_failed "address in $ns"
    ip -n "$ns" link set eth0 up || setup_failed "eth0 up in $ns"
    ip -n "$ns" route add 224.0.0.0/4 dev eth0 || setup_failed "multicast route in $ns"
done

# The operational state (which gives the interface its RUNNING flag) follows
# the carrier with a delay; wait until both ends report it.
for ns in "$host_a" "$host_b"; do
    for _ in $(seq 1 50); do
        ip -n "$ns" link show eth0 | grep -q 'state UP' && break
        sleep 0.1
    done
    ip -n "$ns" link show eth0 | grep -q 'state UP' || setup_failed "eth0 in $ns stays down"
done

export QCX_NETNS_A="$host_a"
export QCX_NETNS_B="$host_b"
export QCX_NETNS_PREFIX="$prefix"
QCX_NETNS_OUTER=$(stat -L -c %i /proc/self/ns/net) || setup_failed "cannot read own namespace"
export QCX_NETNS_OUTER

ip netns exec "$host_a" "$@" &
child=$!
wait "$child"
status=$?
child=""
exit "$status"
