#!/usr/bin/env bash
# The work a new user does every day, timed side by side with git on the same
# files in the same run: putting a tree under version control, checking out
# and in every file in one command, merging a branch that changed 100 files,
# listing a small directory in views of different sizes, and starting the
# tool. Each figure is the median of KORVANE_BENCH_RUNS runs (default 3);
# the last column is Korvane's median over git's.
#
# Files are the first N regular files of KORVANE_BENCH_TREE (default
# /usr/include) in name order, for N in KORVANE_BENCH_SIZES (default
# "1000 5000"). Run by `make bench`; VANTOOL names another build's vantool.
set -euo pipefail

bench_name=vs_git.sh
# shellcheck source=bench/bench_common.sh
source "$(dirname "$0")/bench_common.sh"
sizes="${KORVANE_BENCH_SIZES:-1000 5000}"

# The file list of a size, relative to the tree.
file_list() {
  (cd "$tree" && find . -type f ! -type l -printf '%P\n' 2> /dev/null | LC_ALL=C sort |
    awk -v n="$1" 'NR <= n')
}

# A fresh store (KORVANE_HOME) with one VOB /v and a dynamic view; $store_dir
# is the VOB's directory in the view.
new_store() {  # name
  export KORVANE_HOME="$work/$1/home"
  mkdir -p "$KORVANE_HOME"
  "$vantool" mkvob -tag /v -nc > /dev/null
  "$vantool" mkview -tag "$1" "$work/$1/view" > /dev/null
  store_dir="$work/$1/view/v"
}

# Puts the copied tree in VOB directory $1 under version control the way a
# user does without an import command: directories first, then every file
# with -ci in one command, then the directories checked in.
korvane_add_tree() {  # vob dir, list
  local dir=$1
  (cd "$dir" && "$vantool" co -nc . &&
    find . -mindepth 1 -type d -printf '%P\n' | LC_ALL=C sort | xargs -r "$vantool" mkdir -nc &&
    xargs -r -d '\n' "$vantool" mkelem -ci -nc < "$2" &&
    { echo .; find . -mindepth 1 -type d -printf '%P\n'; } | xargs -r "$vantool" ci -nc)
}

git_add_tree() {  # directory
  (cd "$1" && git init -q . && git add -A && git commit -qm import)
}

# The tree in, by hand (mkdir, mkelem -ci, ci) and by `vantool import`,
# against `git add -A && git commit`.
ingest() {  # size, list
  local k=() m=() g=() i dir
  mkdir -p "$work/source$1"
  copy_files "$2" "$work/source$1"
  for ((i = 0; i < runs; i++)); do
    new_store "ingest$1.$i"
    copy_files "$2" "$store_dir"
    k+=("$(timed korvane_add_tree "$store_dir" "$2")")
    new_store "import$1.$i"
    m+=("$(timed "$vantool" import -nc "$work/source$1" "$store_dir")")
    mkdir -p "$work/git-ingest$1.$i"
    copy_files "$2" "$work/git-ingest$1.$i"
    g+=("$(timed git_add_tree "$work/git-ingest$1.$i")")
  done
  report "put $1 files under version control by hand" "$(median "${k[@]}")" "$(median "${g[@]}")"
  report "vantool import of $1 files (vs add -A && commit)" "$(median "${m[@]}")" \
    "$(median "${g[@]}")"
}

# Check out and check in every file in one command each, against touching
# every file and `git commit -a`.
bulk_cycle() {  # size, list
  local dir=$3 gdir=$4 co=() ci=() g=() i
  for ((i = 0; i < runs; i++)); do
    co+=("$(timed sh -c "cd '$dir' && xargs -d '\n' '$vantool' co -nc < '$2'")")
    (cd "$dir" && while read -r f; do echo "// run $i" >> "$f"; done < "$2")
    ci+=("$(timed sh -c "cd '$dir' && xargs -d '\n' '$vantool' ci -nc < '$2'")")
    (cd "$gdir" && while read -r f; do echo "// run $i" >> "$f"; done < "$2")
    g+=("$(timed git -C "$gdir" commit -qam "run $i")")
  done
  report "check out $1 files in one command (vs commit -a)" "$(median "${co[@]}")" "$(median "${g[@]}")"
  report "check in $1 files in one command (vs commit -a)" "$(median "${ci[@]}")" "$(median "${g[@]}")"
}

# Small commands in the view of this size: `ls` of a directory of three
# files, `lsco` of the view, `describe` of one file; their medians go to
# small_cost[size,command].
declare -A small_cost
small_commands() {  # size, vob dir
  local dir=$2 i
  mkdir -p "$dir/zz_small"
  (cd "$dir" && "$vantool" co -nc . > /dev/null && "$vantool" mkdir -nc zz_small > /dev/null &&
    for f in a b c; do echo "$f" > "zz_small/$f"; done &&
    "$vantool" mkelem -ci -nc zz_small/a zz_small/b zz_small/c > /dev/null &&
    "$vantool" ci -nc zz_small . > /dev/null)
  local ls=() lsco=() describe=()
  for ((i = 0; i < runs; i++)); do
    ls+=("$(timed "$vantool" ls "$dir/zz_small")")
    lsco+=("$(timed sh -c "cd '$dir' && '$vantool' lsco")")
    describe+=("$(timed "$vantool" describe "$dir/zz_small/a")")
  done
  small_cost[$1,ls]=$(median "${ls[@]}")
  small_cost[$1,lsco]=$(median "${lsco[@]}")
  small_cost[$1,describe]=$(median "${describe[@]}")
}

# Merges a branch that changed 100 files into main and checks the merges in,
# against the same change merged by git.
merge_branch() {  # size, list, vob dir, git dir
  local list=$2 dir=$3 gdir=$4 changed="$work/changed$1"
  awk -v n="$1" 'NR % int((n + 99) / 100) == 0 && ++k <= 100' "$list" > "$changed"
  "$vantool" mkbrtype -nc dev@/v > /dev/null
  "$vantool" mkview -tag "dev$1" "$work/dev$1" > /dev/null
  printf 'element * CHECKEDOUT\nelement * .../dev/LATEST\nelement * /main/LATEST -mkbranch dev\n' \
    > "$work/dev$1.cs"
  "$vantool" setcs -view "dev$1" "$work/dev$1.cs" > /dev/null
  (cd "$work/dev$1/v" && xargs -d '\n' "$vantool" co -nc < "$changed" > /dev/null &&
    while read -r f; do echo "// on dev" >> "$f"; done < "$changed" &&
    xargs -d '\n' "$vantool" ci -nc < "$changed" > /dev/null)
  (cd "$dir" && "$vantool" co -nc zz_small/a > /dev/null && echo main >> zz_small/a &&
    "$vantool" ci -nc zz_small/a > /dev/null)
  local k
  k=$(timed sh -c "cd '$dir' && '$vantool' findmerge . -fversion /main/dev/LATEST -merge -ci -nc")
  git -C "$gdir" checkout -qb dev
  (cd "$gdir" && while read -r f; do echo "// on dev" >> "$f"; done < "$changed")
  git -C "$gdir" commit -qam dev
  git -C "$gdir" checkout -q master 2> /dev/null || git -C "$gdir" checkout -q main
  echo main >> "$gdir/$(head -n 1 "$list")"
  git -C "$gdir" commit -qam main
  local g
  g=$(timed git -C "$gdir" merge -q --no-edit dev)
  report "merge a 100-file branch into main and check in ($1 files)" "$k" "$g"
}

printf '%-58s %10s %10s %8s\n' "work" "korvane" "git" "ratio"
for n in $sizes; do
  list="$work/list$n"
  file_list "$n" > "$list"
  ingest "$n" "$list"
  new_store "cycle$n"
  dir=$store_dir
  copy_files "$list" "$dir"
  korvane_add_tree "$dir" "$list" > /dev/null
  mkdir -p "$work/git-cycle$n"
  copy_files "$list" "$work/git-cycle$n"
  git_add_tree "$work/git-cycle$n"
  bulk_cycle "$n" "$list" "$dir" "$work/git-cycle$n"
  small_commands "$n" "$dir"
  merge_branch "$n" "$list" "$dir" "$work/git-cycle$n"
done

first=""
for n in $sizes; do
  for c in ls lsco describe; do
    report "$c in a view of $n files (vs ${first:-itself})" "${small_cost[$n,$c]}" \
      "${small_cost[${first:-$n},$c]}"
  done
  first=${first:-$n}
done
k=() g=()
for ((i = 0; i < 20; i++)); do
  k+=("$(timed "$vantool" -version)")
  g+=("$(timed git --version)")
done
report "start of one process (-version vs git --version)" "$(median "${k[@]}")" "$(median "${g[@]}")"
