#!/bin/bash
# Checks how lan-netns.sh behaves where network namespaces cannot be made
# (here: an "ip" that always fails comes first on PATH): skipped (77) on a
# developer's machine, failed (1) when CI is set, so that a CI run never
# passes with the LAN search's cases left out.
#
#   lan-netns-ci-test.sh LAN_NETNS_SH
set -u
script=$1
stub=$(mktemp -d "${QB_TEST_TMP:-/tmp}/qb-netns-ci.XXXXXX") || exit 2
trap 'rm -rf "$stub"' EXIT
printf '#!/bin/sh\nexit 1\n' >"$stub/ip"
chmod +x "$stub/ip"

passed=0 failed=0
# Runs the script with the CI value given ("-" for unset) and compares its
# exit code with the one wanted.
expect() {
  local ci=$1 wanted=$2 got
  if [ "$ci" = - ]; then
    env -u CI PATH="$stub:$PATH" "$script" --sim /bin/true --instruments /dev/null -- /bin/true >/dev/null 2>&1
  else
    env CI="$ci" PATH="$stub:$PATH" "$script" --sim /bin/true --instruments /dev/null -- /bin/true >/dev/null 2>&1
  fi
  got=$?
  if [ "$got" = "$wanted" ]; then
    passed=$((passed + 1))
  else
    echo "CI=$ci: exit code $got, wanted $wanted"
    failed=$((failed + 1))
  fi
}
expect - 77
expect "" 77
expect false 77
expect true 1
expect 1 1
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
