#!/usr/bin/env bash
# A rebase of a development stream onto a new baseline of its integration
# stream, timed side by side with `git merge` of the same change in the same
# run. The new baseline changed every one of N files (a line appended at the
# end); the development stream changed 100 of them (a line prepended at the
# top), so the rebase makes 100 real three-way merges, none with conflicts.
# The rebase is timed in one command (`rebase -recommended -complete`) and,
# on a second store, in its two phases: the first (the view shows the new
# baseline, the merges are made and left checked out) and the completion
# (check-ins, new foundation). Each figure is the median of
# KORVANE_BENCH_RUNS runs (default 3), each run on states made afresh
# (untimed); every row is set against git's `merge -q --no-edit main` on the
# dev branch. The goal for the one command is at most 2x; the ratio is
# printed, not checked.
#
# After every run the result is checked against git's: each of the N files
# in the development view must equal git's merged file, the rebase must no
# longer be in progress, nothing may be left checked out and the stream must
# stand on the new baseline; anything else stops the benchmark with status 1,
# since a rebase that merged nothing would otherwise be timed as fast.
#
# Files are the first N regular text files (no NUL byte, at least three
# lines, ending in a newline, so that both edits merge cleanly) of
# KORVANE_BENCH_TREE (default /usr/include) in name order, N from
# KORVANE_BENCH_REBASE_FILES (default 1000). Run by `make bench`; VANTOOL
# names another build's vantool.
set -euo pipefail

bench_name=rebase_vs_git.sh
# shellcheck source=bench/stream_vs_git.sh
source "$(dirname "$0")/stream_vs_git.sh"
files="${KORVANE_BENCH_REBASE_FILES:-1000}"

# A fresh store under $work/$1 (see korvane_project) holding the state the
# rebase starts from: the 100 files changed in dev and checked in; BL2 with
# every file changed, recommended.
korvane_state() {  # name, list, changed list
  local base="$work/$1"
  korvane_project "$1" "$2"
  step "$vantool" mkact -view dev -headline "Development" -nc development@/p
  step in_dir "$base/dev/v" xargs -a "$3" -d '\n' "$vantool" co -nc
  step prepend_line "$base/dev/v" "$3" "// changed in development"
  step in_dir "$base/dev/v" xargs -a "$3" -d '\n' "$vantool" ci -nc
  step "$vantool" mkact -view int -headline "Integration" -nc integration@/p
  step in_dir "$base/int/v" xargs -a "$2" -d '\n' "$vantool" co -nc
  step append_line "$base/int/v" "$2" "// changed in integration"
  step in_dir "$base/int/v" xargs -a "$2" -d '\n' "$vantool" ci -nc
  step "$vantool" mkbl -view int -nc BL2
  step "$vantool" chstream -recommended BL2@/p -nc int@/p
  "$vantool" lsstream -long dev@/p | grep -q 'behind recommended: BL2@/p' ||
    fail "set-up of $1: stream dev@/p is not behind BL2@/p"
}

# The same history in git: main with the files, branch dev with the
# development edits, main with the integration edits; dev checked out.
git_state() {  # directory, list, changed list
  git_base "$1" "$2"
  (cd "$1" && git checkout -qb dev &&
    prepend_line "$1" "$3" "// changed in development" && git commit -qam development &&
    git checkout -q main && append_line "$1" "$2" "// changed in integration" &&
    git commit -qam integration && git checkout -q dev) || fail "git set-up in $1 failed"
}

# The rebase really merged: every file of the development view equals git's
# merged file (the changed ones were merged, the others are the new
# baseline's), no rebase is in progress (unless $4 says the first phase
# alone ran, then the merges wait checked out), and the stream stands on BL2.
verify() {  # name, list, git directory, phase (complete|first)
  same_as_git "$1" "$work/$1/dev/v" "$2" "$3"
  local status checkouts
  status=$("$vantool" rebase -status -view dev 2>&1)
  checkouts=$("$vantool" lsco -view dev | wc -l)
  if [[ $4 == first ]]; then
    grep -q 'Rebase operation in progress' <<< "$status" ||
      fail "$1: no rebase in progress after the first phase: $status"
    ((checkouts == merges)) || fail "$1: $checkouts checkouts after the first phase, expected $merges merges"
    return
  fi
  grep -q 'No rebase operation in progress' <<< "$status" || fail "$1: the rebase is still in progress: $status"
  ((checkouts == 0)) || fail "$1: $checkouts file(s) left checked out after the rebase"
  "$vantool" lsstream -long dev@/p | grep -q 'foundation baselines: BL2@/p' ||
    fail "$1: stream dev@/p does not stand on BL2@/p after the rebase"
}

list="$work/list"
changed="$work/changed"
file_list "$files" > "$list"
n=$(wc -l < "$list")
((n == files)) || fail "$tree holds only $n usable text files, $files asked for"
hundred_of "$list" > "$changed"
merges=$(wc -l < "$changed")

op_whole() { "$vantool" rebase -recommended -complete -view dev; }
op_first() { "$vantool" rebase -recommended -view dev; }
op_complete() { "$vantool" rebase -complete -view dev; }
time_against_git "$list" "$changed" main

printf '%-58s %10s %10s %8s\n' "work ($n files, $merges merged)" "korvane" "git" "ratio"
report "rebase -recommended -complete: $merges merges, check-ins" "$whole_median" "$git_median"
report "  first phase alone: rebase -recommended (merges)" "$first_median" "$git_median"
report "  then rebase -complete (check-ins, new foundation)" "$complete_median" "$git_median"
echo "goal: the one-command rebase at most 2.0x git merge"
