# shellcheck shell=bash
# Helpers shared by the benchmarks that time a stream operation (rebase,
# deliver) against `git merge` of the same history in the same run. Sourced,
# not run: the sourcing script sets `bench_name` (its file name, used in
# messages and in the name of the work directory) and `set -euo pipefail`
# first.
#
# Sets root, vantool (VANTOOL, else this tree's build), tree
# (KORVANE_BENCH_TREE, default /usr/include), runs (KORVANE_BENCH_RUNS,
# default 3) and work (a temporary directory removed on exit).

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
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

# The first N text files of the tree that a line appended on one side and a
# line prepended on the other merge cleanly in (no NUL byte, at least three
# lines, ending in a newline), relative to the tree, in name order.
file_list() {  # count
  (cd "$tree" && find . -type f ! -type l -printf '%P\n' 2> /dev/null | LC_ALL=C sort |
    perl -ne 'next if $n >= '"$1"'; chomp; my $f = $_; open(my $h, "<", $f) or next;
      local $/; my $t = <$h>;
      next if !defined $t || $t =~ /\0/ || $t !~ /\n\z/ || ($t =~ tr/\n//) < 3;
      print "$f\n"; $n++;')
}

# Every k-th line of a list, at most 100 of them, spread over the whole list:
# the files both sides change.
hundred_of() {  # list
  awk -v n="$(wc -l < "$1")" 'NR % int((n + 99) / 100) == 0 && ++k <= 100' "$1"
}

# Copies the listed files of the tree into a directory.
copy_files() {  # list, destination
  tar -C "$tree" -cf - -T "$1" | tar -C "$2" -xf -
  chmod -R u+w "$2"
}

# The edits, the same on both sides of a comparison: a line of text appended
# to, or prepended to, each listed file of a directory.
append_line() {  # directory, list, line
  (cd "$1" && while read -r f; do echo "$3" >> "$f" || exit; done < "$2")
}
prepend_line() {  # directory, list, line
  local tmp="$work/prepend.tmp"
  (cd "$1" && while read -r f; do
    { echo "$3" && cat "$f"; } > "$tmp" && cat "$tmp" > "$f" || exit
  done < "$2")
}

# Runs one set-up step with its output appended to $setup_log; a step that
# fails stops the benchmark with the end of that log.
setup_log=/dev/null
step() {
  "$@" >> "$setup_log" 2>&1 ||
    fail "set-up step failed: $*; the end of $setup_log:$(printf '\n'; tail -n 20 "$setup_log")"
}
in_dir() { (cd "$1" && shift && "$@"); }

# A fresh store under $work/$1 (KORVANE_HOME, exported; set-up output in
# $work/$1/setup.log) holding a project ready for stream work: project VOB
# /p, VOB /v made the component c@/p; project proj with integration stream
# int (view $work/$1/int) and development stream dev (view $work/$1/dev);
# BL1 with the listed files, recommended when dev was made on it.
korvane_project() {  # name, list
  local base="$work/$1"
  export KORVANE_HOME="$base/home"
  setup_log="$base/setup.log"
  mkdir -p "$KORVANE_HOME" "$base/source"
  copy_files "$2" "$base/source"
  step "$vantool" mkvob -tag /p -pvob -nc
  step "$vantool" mkvob -tag /v -admin /p -nc
  step "$vantool" mkview -tag plain "$base/plain"
  step "$vantool" mkcomp -root "$base/plain/v" -nc c@/p
  step "$vantool" mkproject -in RootFolder@/p -modcomp c@/p -blname_template basename \
    -istream int -baseline c_INITIAL@/p -nc proj@/p
  step "$vantool" mkview -stream int@/p -tag int "$base/int"
  step "$vantool" mkact -view int -headline "The files" -nc import@/p
  step "$vantool" import -nc "$base/source" "$base/int/v"
  step "$vantool" mkbl -view int -nc BL1
  step "$vantool" chstream -recommended BL1@/p -nc int@/p
  step "$vantool" mkstream -in proj@/p -nc dev@/p
  step "$vantool" mkview -stream dev@/p -tag dev "$base/dev"
}

# The same start in git: a repository on branch main whose first commit
# (BL1) holds the listed files.
git_base() {  # directory, list
  mkdir -p "$1"
  copy_files "$2" "$1"
  (cd "$1" && git init -q -b main . && git add -A && git commit -qm BL1) ||
    fail "git set-up in $1 failed"
}

# The files of a view that differ from the same files of a git work tree,
# each named on standard error; stops the benchmark when any does.
same_as_git() {  # what, view directory, list, git directory
  local f differ=0
  while read -r f; do
    cmp -s "$2/$f" "$4/$f" || { echo "differs from git's merge: $f" >&2; differ=$((differ + 1)); }
  done < "$3"
  ((differ == 0)) || fail "$1: $differ file(s) of the view differ from git's merge"
}
