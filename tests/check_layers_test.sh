#!/usr/bin/env bash
# scripts/check_layers.sh on small trees: a clean tree passes, and each kind
# of reach past a neighbouring layer fails naming the file and line.
# Usage: check_layers_test.sh PATH_TO_check_layers.sh
set -u
check=$1
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
failures=0

fail() {
  echo "FAIL: $1"
  failures=$((failures + 1))
}

# A tree whose every include respects the layers.
make_clean_tree() {
  rm -rf "$sandbox/tree"
  mkdir -p "$sandbox/tree"/{lib/sum,tools/vantool,repository,tracker,services}
  cd "$sandbox/tree" || exit 2
  printf '#include "services/view.h"\n#include "sum/sum_view.h"\n' > lib/sum/sum_view.cpp
  printf '#include "services/imsg.h"\n#include "services/strutl.h"\n#include "sum/sum.h"\n' \
    > tools/vantool/cmd_view.cpp
  # A comment may name a library class: only code is checked.
  printf '#include "services/view.h"\n// called back by SUM_View::set_activity\nint x;\n' \
    > repository/view.cpp
  printf '#include "services/brelt.h"\n' > tracker/bridge.cpp
  cd - > /dev/null || exit 2
}

# Runs the check on the tree; sets $rc and $out.
run_check() {
  out=$("$check" "$sandbox/tree" 2>&1)
  rc=$?
}

# Expects a failure whose output names "$1" (FILE:LINE).
expect_violation() {
  local what=$1 where=$2
  run_check
  [[ $rc -eq 1 ]] || fail "$what: exit status $rc, expected 1; output: $out"
  [[ $out == *"$where:"* ]] || fail "$what: output does not name $where: $out"
}

make_clean_tree
run_check
[[ $rc -eq 0 ]] || fail "clean tree: exit status $rc; output: $out"

make_clean_tree
printf '#include "services/imsg.h"\n#include "repository/store.h"\n' > "$sandbox/tree/tools/vantool/cmd_vob.cpp"
expect_violation "vantool including the repository" tools/vantool/cmd_vob.cpp:2

make_clean_tree
printf '#include "services/imsg.h"\n\n#include "services/view.h"\n' > "$sandbox/tree/tools/vantool/cmd_vob.cpp"
expect_violation "vantool including a repository service" tools/vantool/cmd_vob.cpp:3
[[ $out == *"services/view.h"* ]] || fail "the message does not name the header: $out"

make_clean_tree
printf '#include "../../repository/view_internal.h"\n' > "$sandbox/tree/tools/vantool/cmd_vob.cpp"
expect_violation "vantool including the repository by a relative path" tools/vantool/cmd_vob.cpp:1

make_clean_tree
printf '#include "repository/view_internal.h"\n' >> "$sandbox/tree/lib/sum/sum_view.cpp"
expect_violation "the library including the repository" lib/sum/sum_view.cpp:3

make_clean_tree
printf '#include "sum/sum_activity.h"\n' >> "$sandbox/tree/tracker/bridge.cpp"
expect_violation "the tracker including the library" tracker/bridge.cpp:2

make_clean_tree
printf 'void f(SUM_Activity& a);\n' >> "$sandbox/tree/repository/view.cpp"
expect_violation "the repository naming a library class" repository/view.cpp:4

"$check" "$sandbox/nowhere" > /dev/null 2>&1
rc=$?
[[ $rc -eq 2 ]] || fail "a directory that is no source tree: exit status $rc, expected 2"

if ((failures > 0)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "all layer checks behave"
