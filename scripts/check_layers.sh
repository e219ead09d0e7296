#!/usr/bin/env bash
# Checks that each layer reaches only its neighbour, from the #include lines
# of the sources (and, for the repository and the tracker, any mention of a
# library class):
#   - tools/vantool includes nothing from repository/ and, from services/,
#     only the message service and the generic utilities (ALLOWED_SERVICES);
#     every repository operation it needs goes through the library;
#   - lib/sum includes nothing from repository/ or tracker/ (it sees only
#     services/);
#   - repository/ and tracker/ include nothing from the library and name no
#     SUM_ class outside comments.
# Usage: scripts/check_layers.sh [ROOT]   (default: the repository holding
# this script). Prints one line "FILE:LINE: what is wrong" per violation and
# exits 1 when there is any, 0 otherwise; 2 when ROOT is not a source tree.
set -u

root=${1:-"$(cd "$(dirname "$0")/.." && pwd)"}
if [[ ! -d "$root/lib/sum" || ! -d "$root/tools/vantool" ]]; then
  echo "check_layers: $root is not a source tree (no lib/sum or tools/vantool)" >&2
  exit 2
fi

# services/ headers vantool may include: the message service and utilities
# that are no repository operation.
ALLOWED_SERVICES="imsg.h strutl.h sysutl.h date.h hash.h wild.h"

violations=0

report() {
  echo "$1: $2"
  violations=$((violations + 1))
}

# The C++ sources below directory $1 (relative to root), one per line.
sources() {
  [[ -d "$root/$1" ]] || return 0
  (cd "$root" && find "$1" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.cc' \) | sort)
}

# "LINE:PATH" for every #include "PATH" or <PATH> of file $1, with leading
# "./" and "../" steps dropped so that a relative path is judged by what it
# names.
includes() {
  grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' "$root/$1" |
    sed -E 's/^([0-9]+):[^"<]*["<]([^">]*)[">].*/\1:\2/; s#:(\.\.?/)+#:#'
}

check_vantool() {
  local file line path
  while read -r file; do
    while IFS=: read -r line path; do
      case "$path" in
        repository/* | tracker/*)
          report "$file:$line" "vantool includes \"$path\"; use the library (lib/sum) instead" ;;
        services/*)
          if [[ " $ALLOWED_SERVICES " != *" ${path#services/} "* ]]; then
            report "$file:$line" "vantool includes \"$path\"; of services/ it may include only ${ALLOWED_SERVICES// /, } (repository operations go through the library)"
          fi ;;
      esac
    done < <(includes "$file")
  done < <(sources tools/vantool)
}

check_library() {
  local file line path
  while read -r file; do
    while IFS=: read -r line path; do
      case "$path" in
        repository/* | tracker/*)
          report "$file:$line" "the library includes \"$path\"; it sees only services/" ;;
      esac
    done < <(includes "$file")
  done < <(sources lib/sum)
}

check_below_library() {
  local dir file line path text
  for dir in repository tracker; do
    while read -r file; do
      while IFS=: read -r line path; do
        case "$path" in
          sum/* | lib/sum/*)
            report "$file:$line" "$dir/ includes \"$path\"; it must not know the library" ;;
        esac
      done < <(includes "$file")
      # Code (comments stripped) naming a library class.
      while IFS=: read -r line text; do
        report "$file:$line" "$dir/ names a library class: ${text#"${text%%[![:space:]]*}"}"
      done < <(sed -E 's://.*$::' "$root/$file" | grep -n -E '(^|[^A-Za-z0-9_])SUM(UI)?_[A-Z][a-z]')
    done < <(sources "$dir")
  done
}

check_vantool
check_library
check_below_library

if ((violations > 0)); then
  echo "check_layers: $violations layer violation(s)" >&2
  exit 1
fi
echo "check_layers: every layer reaches only its neighbour"
exit 0
