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

root=$(cd "$(dirname "$0")/.." && pwd)
vantool="${VANTOOL:-$root/build/bin/vantool}"
tree="${KORVANE_BENCH_TREE:-/usr/include}"
files="${KORVANE_BENCH_REBASE_FILES:-1000}"
runs="${KORVANE_BENCH_RUNS:-3}"
work=$(mktemp -d /tmp/korvane-rebase-vs-git-XXXXXX)
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
  echo "rebase_vs_git.sh: $*" >&2
  exit 1
}

# The first N text files of the tree that both edits merge cleanly in,
# relative to the tree, in name order.
file_list() {  # count
  (cd "$tree" && find . -type f ! -type l -printf '%P\n' 2> /dev/null | LC_ALL=C sort |
    perl -ne 'next if $n >= '"$1"'; chomp; my $f = $_; open(my $h, "<", $f) or next;
      local $/; my $t = <$h>;
      next if !defined $t || $t =~ /\0/ || $t !~ /\n\z/ || ($t =~ tr/\n//) < 3;
      print "$f\n"; $n++;')
}

# Copies the listed files of the tree into a directory.
copy_files() {  # list, destination
  tar -C "$tree" -cf - -T "$1" | tar -C "$2" -xf -
  chmod -R u+w "$2"
}

# The edits, the same on both sides: the integration side appends a line to
# every file, the development side prepends one to some.
append_line() {  # directory, list
  (cd "$1" && while read -r f; do echo "// changed in integration" >> "$f" || exit; done < "$2")
}
prepend_line() {  # directory, list
  local tmp="$work/prepend.tmp"
  (cd "$1" && while read -r f; do
    { echo "// changed in development" && cat "$f"; } > "$tmp" && cat "$tmp" > "$f" || exit
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

# A fresh store under $work/$1 (KORVANE_HOME) holding the state the rebase
# starts from: project VOB /p, VOB /v made the component c@/p; project proj
# with integration stream int and development stream dev (views $1/int and
# $1/dev); BL1 with the files, recommended when dev was made; the 100 files
# changed in dev and checked in; BL2 with every file changed, recommended.
korvane_state() {  # name, list, changed list
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
  step "$vantool" mkact -view dev -headline "Development" -nc development@/p
  step in_dir "$base/dev/v" xargs -a "$3" -d '\n' "$vantool" co -nc
  step prepend_line "$base/dev/v" "$3"
  step in_dir "$base/dev/v" xargs -a "$3" -d '\n' "$vantool" ci -nc
  step "$vantool" mkact -view int -headline "Integration" -nc integration@/p
  step in_dir "$base/int/v" xargs -a "$2" -d '\n' "$vantool" co -nc
  step append_line "$base/int/v" "$2"
  step in_dir "$base/int/v" xargs -a "$2" -d '\n' "$vantool" ci -nc
  step "$vantool" mkbl -view int -nc BL2
  step "$vantool" chstream -recommended BL2@/p -nc int@/p
  "$vantool" lsstream -long dev@/p | grep -q 'behind recommended: BL2@/p' ||
    fail "set-up of $1: stream dev@/p is not behind BL2@/p"
}

# The same history in git: main with the files, branch dev with the
# development edits, main with the integration edits; dev checked out.
git_state() {  # directory, list, changed list
  mkdir -p "$1"
  copy_files "$2" "$1"
  (cd "$1" && git init -q -b main . && git add -A && git commit -qm BL1 &&
    git checkout -qb dev && prepend_line "$1" "$3" && git commit -qam development &&
    git checkout -q main && append_line "$1" "$2" && git commit -qam integration &&
    git checkout -q dev) || fail "git set-up in $1 failed"
}

# The rebase really merged: every file of the development view equals git's
# merged file (the changed ones were merged, the others are the new
# baseline's), no rebase is in progress (unless $4 says the first phase
# alone ran, then the merges wait checked out), and the stream stands on BL2.
verify() {  # name, list, git directory, phase (complete|first)
  local base="$work/$1" f differ=0
  while read -r f; do
    cmp -s "$base/dev/v/$f" "$3/$f" || { echo "differs from git's merge: $f" >&2; differ=$((differ + 1)); }
  done < "$2"
  ((differ == 0)) || fail "$1: $differ file(s) of the development view differ from git's merge"
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
awk -v n="$n" 'NR % int((n + 99) / 100) == 0 && ++k <= 100' "$list" > "$changed"
merges=$(wc -l < "$changed")

one=() first=() complete=() g=()
for ((i = 0; i < runs; i++)); do
  git_state "$work/git$i" "$list" "$changed"
  g+=("$(timed git -C "$work/git$i" merge -q --no-edit main)")
  [[ $(git -C "$work/git$i" log -1 --format=%P | wc -w) == 2 ]] ||
    fail "git$i: git merge made no merge commit"

  korvane_state "one$i" "$list" "$changed"
  one+=("$(timed "$vantool" rebase -recommended -complete -view dev)")
  verify "one$i" "$list" "$work/git$i" complete

  korvane_state "two$i" "$list" "$changed"
  first+=("$(timed "$vantool" rebase -recommended -view dev)")
  verify "two$i" "$list" "$work/git$i" first
  complete+=("$(timed "$vantool" rebase -complete -view dev)")
  verify "two$i" "$list" "$work/git$i" complete
done

printf '%-58s %10s %10s %8s\n' "work ($n files, $merges merged)" "korvane" "git" "ratio"
gm=$(median "${g[@]}")
report "rebase -recommended -complete: $merges merges, check-ins" "$(median "${one[@]}")" "$gm"
report "  first phase alone: rebase -recommended (merges)" "$(median "${first[@]}")" "$gm"
report "  then rebase -complete (check-ins, new foundation)" "$(median "${complete[@]}")" "$gm"
echo "goal: the one-command rebase at most 2.0x git merge"
