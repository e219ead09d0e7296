# shellcheck shell=bash
# Helpers shared by the benchmarks that time a stream operation (rebase,
# deliver) against `git merge` of the same history in the same run. Sourced,
# not run, like bench_common.sh (which it sources).

# shellcheck source=bench/bench_common.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench_common.sh"

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

# The timed runs of a stream operation, $runs of them, each on states made
# afresh: git merges branch $3 into the history git_state made; the
# operation runs whole (op_whole) on one store and in its two phases
# (op_first, then op_complete) on another, every result checked by verify
# (phase "first" or "complete"). The caller defines git_state,
# korvane_state, verify and the three op_ functions. Sets the medians
# git_median, whole_median, first_median and complete_median.
time_against_git() {  # list, changed list, branch git merges
  local i g=() whole=() first=() complete=()
  for ((i = 0; i < runs; i++)); do
    git_state "$work/git$i" "$1" "$2"
    g+=("$(timed git -C "$work/git$i" merge -q --no-edit "$3")")
    [[ $(git -C "$work/git$i" log -1 --format=%P | wc -w) == 2 ]] ||
      fail "git$i: git merge made no merge commit"

    korvane_state "one$i" "$1" "$2"
    whole+=("$(timed op_whole)")
    verify "one$i" "$1" "$work/git$i" complete

    korvane_state "two$i" "$1" "$2"
    first+=("$(timed op_first)")
    verify "two$i" "$1" "$work/git$i" first
    complete+=("$(timed op_complete)")
    verify "two$i" "$1" "$work/git$i" complete
  done
  # shellcheck disable=SC2034 # read by the sourcing scripts
  git_median=$(median "${g[@]}")
  # shellcheck disable=SC2034
  whole_median=$(median "${whole[@]}") first_median=$(median "${first[@]}")
  # shellcheck disable=SC2034
  complete_median=$(median "${complete[@]}")
}
