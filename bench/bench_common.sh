# shellcheck shell=bash
# What every benchmark that times vantool against git shares: the settings,
# a work directory removed on exit, timing, medians and the report line.
# Sourced, not run: the sourcing script sets `bench_name` (its file name,
# used in messages and in the name of the work directory) and `set -euo
# pipefail` first.
#
# Sets root, vantool (VANTOOL, else this tree's build), tree
# (KORVANE_BENCH_TREE, default /usr/include), runs (KORVANE_BENCH_RUNS,
# default 3) and work (a temporary directory removed on exit).

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck disable=SC2034 # read by the sourcing scripts
vantool="${VANTOOL:-$root/build/bin/vantool}"
tree="${KORVANE_BENCH_TREE:-/usr/include}"
# shellcheck disable=SC2034 # read by the sourcing scripts
runs="${KORVANE_BENCH_RUNS:-3}"
# shellcheck disable=SC2154 # set by the sourcing script
work=$(mktemp -d "/tmp/korvane-${bench_name%.sh}-XXXXXX")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
export GIT_AUTHOR_NAME=bench GIT_AUTHOR_EMAIL=bench@example.com
export GIT_COMMITTER_NAME=bench GIT_COMMITTER_EMAIL=bench@example.com
unset IMSG_VERBOSITY IMSG_TRACE

now_ns() { date +%s%N; }
# Seconds (3 decimals) taken by the command, which must succeed. What the
# set-up wrote is flushed first, so that neither side pays for the other's
# write-back.
timed() {
  local start end
  sync
  start=$(now_ns)
  "$@" > /dev/null || fail "failed: $*"
  end=$(now_ns)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", (b > 0 ? a / b : 0) }'; }
report() {  # work, korvane seconds, git seconds
  printf '%-58s %9ss %9ss %8s\n' "$1" "$2" "$3" "$(ratio "$2" "$3")"
}
fail() {
  echo "$bench_name: $*" >&2
  exit 1
}

# Copies the listed files of the tree into a directory.
copy_files() {  # list, destination
  tar -C "$tree" -cf - -T "$1" | tar -C "$2" -xf -
  chmod -R u+w "$2"
}
