#!/usr/bin/env bash
# A deliver of a development stream's work into its integration stream,
# timed side by side with `git merge` of the same history in the same run,
# and the deliver's planning alone on long histories.
#
# The deliver: both streams stand on the same baseline of N files. The
# development stream changed every file (a line appended at the end) in 200
# activities of N/200 files each; the integration stream changed 100 of them
# (a line prepended at the top), so the deliver makes 100 real three-way
# merges, none with conflicts, and brings the other files over as they are.
# It is timed in one command (`deliver -complete -stream dev@/p -to int`)
# and, on a second store, in its two phases: the first (baselines of the
# development stream, the integration activity, the merges left checked out
# in the integration view) and the completion (check-ins, the delivery
# recorded). Git holds the same history: a dev branch with one commit per
# activity (200 commits), main with the 100 edits in one commit, and `git
# merge -q --no-edit dev` on main is timed. Each figure is the median of
# KORVANE_BENCH_RUNS runs (default 3), each on states made afresh (untimed).
# The goal for the one command is at most 2x git; the ratio is printed, not
# checked.
#
# After every run the result is checked against git's: each of the N files
# in the integration view must equal git's merged file, the deliver must no
# longer be in progress, nothing may be checked out in any view and a new
# preview must find nothing left to deliver; anything else stops the
# benchmark with status 1, since a deliver that merged nothing would
# otherwise be timed as fast.
#
# The planning: `deliver -preview` of a development stream whose history
# holds A activities, each of which changed one file (the N files in turn,
# one version each time round), none delivered yet, for each A in
# KORVANE_BENCH_PREVIEW_ACTIVITIES (default "1000 2000"; "1000 10000" for
# the long history: its set-up makes two vantool processes per activity,
# about 15 ms each on an idle machine of two cores and several times that
# on a busy one, so 3 to 12 minutes). One store grows from one size to the next; each
# figure is the median of KORVANE_BENCH_RUNS previews, each preview must list
# all A activities, and the growth against the first size is printed.
#
# Files are the first N regular text files (no NUL byte, at least three
# lines, ending in a newline, so that both edits merge cleanly) of
# KORVANE_BENCH_TREE (default /usr/include) in name order, N from
# KORVANE_BENCH_DELIVER_FILES (default 1000). Run by `make bench`; VANTOOL
# names another build's vantool.
set -euo pipefail

bench_name=deliver_vs_git.sh
# shellcheck source=bench/stream_vs_git.sh
source "$(dirname "$0")/stream_vs_git.sh"
files="${KORVANE_BENCH_DELIVER_FILES:-1000}"
preview_sizes="${KORVANE_BENCH_PREVIEW_ACTIVITIES:-1000 2000}"
activities=200

# The list's files shared out to the activities in order, each activity's
# files in $work/act/K (K from 1); there are min(activities, files) of them.
share_out() {  # list
  local n
  n=$(wc -l < "$1")
  ((activities > n)) && activities=$n
  mkdir -p "$work/act"
  awk -v n="$n" -v a="$activities" -v dir="$work/act" \
    '{ print > (dir "/" (int((NR - 1) * a / n) + 1)) }' "$1"
}

# A fresh store under $work/$1 (see korvane_project) holding the state the
# deliver starts from: in dev, activity devK@/p changed the files of
# $work/act/K; in int, activity integration@/p changed the listed 100.
# Each development activity costs two commands (mkact, checkout); one
# check-in takes every file in, each version into the activity it was
# checked out in.
korvane_state() {  # name, list, changed list
  local base="$work/$1" k
  korvane_project "$1" "$2"
  for ((k = 1; k <= activities; k++)); do
    step "$vantool" mkact -view dev -headline "Development $k" -nc "dev$k@/p"
    step in_dir "$base/dev/v" xargs -a "$work/act/$k" -d '\n' "$vantool" co -nc
  done
  step append_line "$base/dev/v" "$2" "// changed in development"
  step in_dir "$base/dev/v" xargs -a "$2" -d '\n' "$vantool" ci -nc
  step "$vantool" mkact -view int -headline "Integration" -nc integration@/p
  step in_dir "$base/int/v" xargs -a "$3" -d '\n' "$vantool" co -nc
  step prepend_line "$base/int/v" "$3" "// changed in integration"
  step in_dir "$base/int/v" xargs -a "$3" -d '\n' "$vantool" ci -nc
  local planned
  planned=$("$vantool" deliver -preview -stream dev@/p | grep -c '^  dev[0-9]*@/p$' || true)
  ((planned == activities)) ||
    fail "set-up of $1: the preview plans $planned activities, expected $activities"
}

# The same history in git: main with the files, branch dev with one commit
# per activity, main with the integration edits; main checked out.
git_state() {  # directory, list, changed list
  local k
  git_base "$1" "$2"
  git -C "$1" checkout -qb dev || fail "git set-up in $1 failed"
  for ((k = 1; k <= activities; k++)); do
    { append_line "$1" "$work/act/$k" "// changed in development" &&
      git -C "$1" commit -qam "dev$k"; } || fail "git set-up in $1 failed"
  done
  (cd "$1" && git checkout -q main && prepend_line "$1" "$3" "// changed in integration" &&
    git commit -qam integration) || fail "git set-up in $1 failed"
}

# The deliver really merged: every file of the integration view equals
# git's merged file. After the first phase alone ($4 = first) the deliver is
# in progress with every delivered file checked out in the integration view;
# after the completion no deliver is in progress, nothing is checked out in
# any view, and nothing is left to deliver.
verify() {  # name, list, git directory, phase (complete|first)
  same_as_git "$1" "$work/$1/int/v" "$2" "$3"
  local status checkouts
  status=$("$vantool" deliver -status -stream dev@/p 2>&1)
  if [[ $4 == first ]]; then
    grep -q 'Deliver operation in progress' <<< "$status" ||
      fail "$1: no deliver in progress after the first phase: $status"
    checkouts=$("$vantool" lsco -view int | wc -l)
    ((checkouts == n)) || fail "$1: $checkouts checkouts after the first phase, expected $n"
    return
  fi
  grep -q 'No deliver operation in progress' <<< "$status" ||
    fail "$1: the deliver is still in progress: $status"
  checkouts=$("$vantool" lsco -all | wc -l)
  ((checkouts == 0)) || fail "$1: $checkouts file(s) left checked out after the deliver"
  "$vantool" deliver -preview -stream dev@/p | grep -q 'No activities to deliver' ||
    fail "$1: the preview after the deliver still finds activities to deliver"
}

# Grows the development stream of store $1 to $3 activities, each changing
# one file of the list (in turn; a round of the list's files is checked in
# with one command before the next round checks them out again).
grow_history() {  # name, list, activities wanted
  local base="$work/$1" have want=$3 f round
  have=$(cat "$base/activities" 2> /dev/null || echo 0)
  while ((have < want)); do
    round="$base/round"
    : > "$round"
    while read -r f && ((have < want)); do
      have=$((have + 1))
      step "$vantool" mkact -view dev -headline "Change $have" -nc "p$have@/p"
      step in_dir "$base/dev/v" "$vantool" co -nc "$f"
      echo "$f" >> "$round"
    done < "$2"
    step append_line "$base/dev/v" "$round" "// changed in development"
    step in_dir "$base/dev/v" xargs -a "$round" -d '\n' "$vantool" ci -nc
  done
  echo "$have" > "$base/activities"
}

# The planning of a deliver of the development stream's whole history, for
# each size: the median of the runs, after checking that the plan lists
# every activity. Figures go to plan_cost[size], set-up seconds to
# plan_setup[size].
declare -A plan_cost plan_setup
plan() {  # list
  local size start t i planned
  korvane_project plan "$1"
  for size in $preview_sizes; do
    start=$(now_ns)
    grow_history plan "$1" "$size"
    plan_setup[$size]=$(awk -v ns=$(($(now_ns) - start)) 'BEGIN { printf "%.0f", ns / 1e9 }')
    planned=$("$vantool" deliver -preview -stream dev@/p | grep -c '^  p[0-9]*@/p$' || true)
    ((planned == size)) || fail "plan: the preview lists $planned activities, expected $size"
    t=()
    for ((i = 0; i < runs; i++)); do
      t+=("$(timed "$vantool" deliver -preview -stream dev@/p)")
    done
    plan_cost[$size]=$(median "${t[@]}")
  done
}

list="$work/list"
changed="$work/changed"
file_list "$files" > "$list"
n=$(wc -l < "$list")
((n == files)) || fail "$tree holds only $n usable text files, $files asked for"
hundred_of "$list" > "$changed"
merges=$(wc -l < "$changed")
share_out "$list"

op_whole() { "$vantool" deliver -complete -stream dev@/p -to int; }
op_first() { "$vantool" deliver -stream dev@/p -to int; }
op_complete() { "$vantool" deliver -complete -stream dev@/p; }
time_against_git "$list" "$changed" dev
plan "$list"

printf '%-58s %10s %10s %8s\n' "work ($n files, $activities activities, $merges merged)" \
  "korvane" "git" "ratio"
report "deliver -complete -to: $merges merges, check-ins" "$whole_median" "$git_median"
report "  first phase alone: deliver -to (merges)" "$first_median" "$git_median"
report "  then deliver -complete (check-ins, delivery recorded)" "$complete_median" "$git_median"
echo "goal: the one-command deliver at most 2.0x git merge"
printf '%-58s %10s %10s %8s\n' "planning (one file changed per activity)" "korvane" "smallest" "growth"
base_size=""
for size in $preview_sizes; do
  base_size=${base_size:-$size}
  report "deliver -preview, $size activities (vs $base_size)" "${plan_cost[$size]}" \
    "${plan_cost[$base_size]}"
done
for size in $preview_sizes; do
  echo "  set-up (untimed): ${plan_setup[$size]}s to grow the history to $size activities"
done
