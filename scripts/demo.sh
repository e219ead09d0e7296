#!/usr/bin/env bash
# The demonstration: what the product does today, on a store under
# ./demo-home. Run through `make demo`, which builds first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
vantool="$root/build/bin/vantool"
export KORVANE_HOME="$root/demo-home"
rm -rf "$KORVANE_HOME"
mkdir -p "$KORVANE_HOME"
unset IMSG_VERBOSITY IMSG_TRACE IMSG_LOST_OUTPUT

step() { printf '\n\033[1m== %s\033[0m\n$ %s\n' "$1" "${*:2}"; }
run() { step "$@"; "${@:2}"; }

run "The tool and its library" "$vantool" -version
run "Commands available so far" "$vantool" help

run "Every message catalog the library carries, with its facility and size" \
  "$vantool" lscatalog
run "The messages of one catalog" "$vantool" lscatalog sum/config_spec_id

run "A catalogued message, formatted with arguments" \
  "$vantool" message sum/project 43 /projects_pvob 3
step "The same refusal printed as an error (exit status 1)" \
  "$vantool" message -severity error sum/stream 51 dev_stream
"$vantool" message -severity error sum/stream 51 dev_stream || echo "(exit status $?)"

step "Bad usage is refused with the usage line (exit status 2)" "$vantool" lscatalog -bogus
"$vantool" lscatalog -bogus || echo "(exit status $?)"

step "Trace scopes: every operation's entry and exit, timed, at verbosity 4" \
  "IMSG_VERBOSITY=4 $vantool lscatalog -short sum/plevel"
IMSG_VERBOSITY=4 "$vantool" lscatalog -short sum/plevel

step "Machine-readable output" "$vantool lscatalog -json sum/plevel"
"$vantool" lscatalog -json sum/plevel

run "A project VOB and a component VOB that names it as its admin VOB" \
  "$vantool" mkvob -tag /projects -pvob -c "Project VOB of the demonstration"
"$vantool" mkvob -tag /sources -admin /projects -c "Sources of the demonstration"
run "An older project VOB at feature level 6" "$vantool" mkvob -tag /legacy -pvob -fl 6
run "The VOBs of the region" "$vantool" lsvob
run "One VOB in detail" "$vantool" lsvob -long /sources
run "The root folder every project VOB starts with" "$vantool" describe folder:RootFolder@/projects
run "Locking it against change, except for one user" \
  "$vantool" lock -nusers alice -c "Reorganising" folder:RootFolder@/projects
run "The lock shows in its description" "$vantool" describe folder:RootFolder@/projects
run "Unlocking" "$vantool" unlock folder:RootFolder@/projects
step "A VOB used as admin VOB cannot be removed (exit status 1)" "$vantool" rmvob /projects
"$vantool" rmvob /projects || echo "(exit status $?)"
run "Removing a VOB" "$vantool" rmvob /legacy
run "A trigger type that will refuse removing streams of this project VOB" \
  "$vantool" mktrtype -zem -preop rmstream -exec "echo 'streams stay'; exit 1" \
  -c "Keep every stream" no_stream_removal@/projects
run "A trigger type that logs every new folder and project" \
  "$vantool" mktrtype -zem -postop mkfolder,mkproject \
  -exec 'echo "$KORVANE_OP $KORVANE_NEW_OBJECT by $KORVANE_USER" >> "$KORVANE_HOME/structure.log"' \
  log_structure@/projects
run "The trigger types of the project VOB" "$vantool" lstrtype -long /projects
run "Hyperlinks show in descriptions: the admin VOB link, from both ends" \
  "$vantool" describe /sources /projects

printf '\nThe demonstration store is in %s.\n' "$KORVANE_HOME"
