#!/usr/bin/env bash
# The demonstration: what the product does today, on a store under
# ./demo-home. Run through `make demo`, which builds first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
vantool="${VANTOOL:-$root/build/bin/vantool}"  # VANTOOL: another build's vantool
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
run "Folders organise the project VOB" \
  "$vantool" mkfolder -title "Tooling projects" -c "Home of the tools" tools@/projects
"$vantool" mkfolder -in tools@/projects -nc compilers@/projects
run "The folder tree" "$vantool" lsfolder -long tools@/projects
run "The post-operation trigger logged each new folder" cat "$KORVANE_HOME/structure.log"
step "RootFolder cannot be removed (exit status 1)" "$vantool" rmfolder RootFolder@/projects
"$vantool" rmfolder RootFolder@/projects || echo "(exit status $?)"
run "A project template and a project that takes its settings" \
  "$vantool" mkproject -template -in tools@/projects -blname_template project,basename,date \
  -c "Settings for new projects" template@/projects
"$vantool" mkproject -in compilers@/projects -title "The C compiler" -c "Start the compiler" ccomp@/projects
run "The project's settings and policies" "$vantool" lsproject -long ccomp@/projects
run "Changing policies and the naming template" \
  "$vantool" chproject -policy DeliverReqRebase -blname_template basename,user -c "Stricter delivery" ccomp@/projects
step "Alice, who neither owns the project nor the VOB, may not change it (exit status 1)" "KORVANE_USER=alice $vantool chproject -title Mine ccomp@/projects"
KORVANE_USER=alice "$vantool" chproject -title Mine ccomp@/projects || echo "(exit status $?)"
run "The project's streams: an integration stream and two development streams" \
  "$vantool" mkstream -in ccomp@/projects -integration -c "Integration" ccomp_int@/projects
"$vantool" mkstream -in ccomp@/projects -c "Alice's work" alice_dev@/projects
"$vantool" mkstream -in ccomp@/projects -c "Bob's work" bob_dev_stream@/projects
"$vantool" lsstream -tree -in ccomp@/projects
run "The promotion levels of the project VOB" "$vantool" lsplevel /projects
run "Levels of our own, with a default" \
  "$vantool" setplevel -default TESTED -c "Our quality ladder" REJECTED TESTED REVIEWED SHIPPED /projects
"$vantool" lsplevel /projects
run "Hyperlinks show in descriptions: the admin VOB link, from both ends" \
  "$vantool" describe /sources /projects

views="$KORVANE_HOME/views-root"
mkdir -p "$views"
run "A dynamic view for Alice and one for Bob" "$vantool" mkview -tag alice "$views/alice"
"$vantool" mkview -tag bob "$views/bob"
run "Alice checks out the VOB's root directory" "$vantool" checkout -c "Add the readme" "$views/alice/sources"
printf 'Korvane demonstration\nline two\nline three\n' > "$views/alice/sources/README.txt"
run "...makes README.txt an element and checks everything in" \
  "$vantool" mkelem -ci -c "First readme" "$views/alice/sources/README.txt"
"$vantool" checkin -nc "$views/alice/sources"
run "Bob's view shows the new file" "$vantool" update -view bob
cat "$views/bob/sources/README.txt"
run "A branch type for Bob's work, and a config spec that branches on checkout" \
  "$vantool" mkbrtype -c "Bob's work" bob_dev@/sources
printf 'element * CHECKEDOUT\nelement * .../bob_dev/LATEST\nelement * /main/LATEST -mkbranch bob_dev\n' > "$KORVANE_HOME/bob.cs"
"$vantool" setcs -view bob "$KORVANE_HOME/bob.cs"
"$vantool" catcs -view bob
run "Bob checks out (on his branch), edits and checks in" \
  "$vantool" checkout -c "Reword line three" "$views/bob/sources/README.txt"
printf 'Korvane demonstration\nline two\nline three, reworded on the branch\n' > "$views/bob/sources/README.txt"
"$vantool" diff "$views/bob/sources/README.txt" || true
"$vantool" checkin -nc "$views/bob/sources/README.txt"
run "Meanwhile Alice changes line one on main" "$vantool" checkout -nc "$views/alice/sources/README.txt"
printf 'Korvane ZEM demonstration\nline two\nline three\n' > "$views/alice/sources/README.txt"
"$vantool" checkin -c "Name the product" "$views/alice/sources/README.txt"
run "What a merge of Bob's branch into Alice's view would do" \
  "$vantool" findmerge "$views/alice/sources" -fversion /main/bob_dev/LATEST -print
run "The merge: both changes, no conflict" \
  "$vantool" findmerge "$views/alice/sources" -fversion /main/bob_dev/LATEST -merge -c "Merge Bob's work"
cat "$views/alice/sources/README.txt"
"$vantool" checkin -nc "$views/alice/sources/README.txt"
run "The version tree, with the merge arrow" "$vantool" lsvtree "$views/alice/sources/README.txt"
run "Which version each view selects, and why" "$vantool" ls "$views/bob/sources"

mkdir -p "$KORVANE_HOME/tools-tree/scripts"
printf '#!/bin/sh\necho build\n' > "$KORVANE_HOME/tools-tree/scripts/build.sh"
printf '#!/bin/sh\necho test\n' > "$KORVANE_HOME/tools-tree/scripts/test.sh"
printf 'Tools of the demonstration\n' > "$KORVANE_HOME/tools-tree/NOTES"
"$vantool" checkout -nc "$views/alice/sources"
mkdir -p "$views/alice/sources/tools"
"$vantool" mkdir -c "Tools" "$views/alice/sources/tools"
"$vantool" checkin -nc "$views/alice/sources/tools" "$views/alice/sources"
run "An existing tree brought in with import: what it would do, then doing it" \
  "$vantool" import -preview "$KORVANE_HOME/tools-tree" "$views/alice/sources/tools"
"$vantool" import -c "Tools brought in" "$KORVANE_HOME/tools-tree" "$views/alice/sources/tools"
printf '#!/bin/sh\necho build all\n' > "$KORVANE_HOME/tools-tree/scripts/build.sh"
rm "$KORVANE_HOME/tools-tree/NOTES"
run "The tree changed: import again brings one new version and removes one name" \
  "$vantool" import -nc "$KORVANE_HOME/tools-tree" "$views/alice/sources/tools"
run "A file renamed: its directory is checked out, the name moves, the history stays" \
  "$vantool" checkout -nc "$views/alice/sources/tools/scripts"
"$vantool" mv -c "Clearer name" "$views/alice/sources/tools/scripts/test.sh" \
  "$views/alice/sources/tools/scripts/run-tests.sh"
"$vantool" checkin -nc "$views/alice/sources/tools/scripts"
"$vantool" ls "$views/alice/sources/tools/scripts"
run "Who did what to the tools, newest first" "$vantool" lshistory -recurse "$views/alice/sources/tools"

run "A component rooted at a top-level directory of the sources VOB" \
  "$vantool" checkout -nc "$views/alice/sources"
"$vantool" mkdir -nc "$views/alice/sources/compiler"
"$vantool" checkin -nc "$views/alice/sources/compiler" "$views/alice/sources"
"$vantool" mkcomp -root "$views/alice/sources/compiler" -c "The compiler's files" compiler@/projects
"$vantool" mkcomp -nroot -c "Only baselines" release_notes@/projects
"$vantool" lscomp -long


run "Two component VOBs with real trees: a parser and a code generator" \
  "$vantool" mkvob -tag /parser -admin /projects -c "The parser"
"$vantool" mkvob -tag /codegen -admin /projects -c "The code generator"
for vob in parser codegen; do
  "$vantool" checkout -nc "$views/alice/$vob"
  for file in main.c util.c; do
    printf '/* %s/%s */\nint %s_%s(void) { return 0; }\n' "$vob" "$file" "$vob" "${file%.c}" \
      > "$views/alice/$vob/$file"
    "$vantool" mkelem -ci -nc "$views/alice/$vob/$file"
  done
  "$vantool" checkin -nc "$views/alice/$vob"
done
run "Each VOB becomes a component as a whole" \
  "$vantool" mkcomp -root "$views/alice/parser" -c "The parser" parser@/projects
"$vantool" mkcomp -root "$views/alice/codegen" -c "The code generator" codegen@/projects
"$vantool" lscomp -long parser@/projects
run "A component's initial baseline selects version 0 of its elements: the existing files are labeled and the label type imported as a baseline" \
  "$vantool" mklbtype -nc V1@/parser V1@/codegen
for vob in parser codegen; do
  "$vantool" mklabel -nc V1 "$views/alice/$vob" "$views/alice/$vob/main.c" "$views/alice/$vob/util.c"
  "$vantool" mkbl -import V1 -component $vob@/projects -c "The $vob as it stands"
done
"$vantool" lsbl -component parser@/projects
run "A project that may modify both components" \
  "$vantool" mkproject -in compilers@/projects -modcomp parser@/projects,codegen@/projects \
  -c "The library project" libcc@/projects
run "Its integration stream takes the imported baselines as its foundation" \
  "$vantool" mkstream -in libcc@/projects -integration \
  -baseline V1_parser_IMPORT@/projects,V1_codegen_IMPORT@/projects -c "Integration" libcc_int@/projects
run "Two development streams take the project's recommended baselines" \
  "$vantool" mkstream -in libcc@/projects -c "Parser work" parser_dev@/projects
"$vantool" mkstream -in libcc@/projects -c "Code generator work" codegen_dev@/projects
"$vantool" lsstream -tree -in libcc@/projects
run "The integration stream recommends its foundation; a development stream took it" \
  "$vantool" lsstream -long libcc_int@/projects
"$vantool" lsstream -long parser_dev@/projects
run "A view attached to each stream: its config spec is generated from the stream" \
  "$vantool" mkview -stream libcc_int@/projects -tag libcc_int "$views/libcc_int"
"$vantool" mkview -stream parser_dev@/projects -tag parser_dev "$views/parser_dev"
"$vantool" mkview -stream codegen_dev@/projects -tag codegen_dev "$views/codegen_dev"
"$vantool" lsview -long parser_dev
"$vantool" catcs -view parser_dev
step "A stream with a view attached cannot be removed (exit status 1)" "$vantool" rmstream -nc codegen_dev@/projects
"$vantool" rmstream -nc codegen_dev@/projects || echo "(exit status $?)"

parser="$views/parser_dev/parser"
codegen="$views/codegen_dev/codegen"
step "A stream's view refuses checkouts until it has a current activity (exit status 1)" \
  "$vantool" checkout -nc "$parser/main.c"
"$vantool" checkout -nc "$parser/main.c" || echo "(exit status $?)"
step "An activity made in the parser view becomes its current activity" \
  "cd $views/parser_dev && $vantool mkact -headline \"Faster parsing\" -c \"Speed up the parser\""
(cd "$views/parser_dev" && "$vantool" mkact -headline "Faster parsing" -c "Speed up the parser")
run "Checkouts in the view branch on the stream's branch type and are recorded in the activity's change set" \
  "$vantool" checkout -c "Inline the lexer" "$parser/main.c" "$parser/util.c"
"$vantool" lsact -long -view parser_dev
for file in main.c util.c; do
  printf '/* faster */\n' >> "$parser/$file"
done
run "...and stay there once checked in" "$vantool" checkin -nc "$parser/main.c" "$parser/util.c"
"$vantool" lsact -long -view parser_dev

run "In the code generator stream: an activity named by its developer, set with setact" \
  "$vantool" mkact -nset -in codegen_dev@/projects -headline "Emit comments" -nc emit_comments@/projects
"$vantool" setact -view codegen_dev emit_comments
"$vantool" mkact -nset -in codegen_dev@/projects -headline "Tidy the helpers" -nc tidy@/projects
run "Two files changed in one go: checked out, edited, and the whole change set checked in" \
  "$vantool" checkout -nc "$codegen/main.c" "$codegen/util.c"
for file in main.c util.c; do
  printf '/* emits comments */\n' >> "$codegen/$file"
done
"$vantool" checkin -cact -view codegen_dev -c "Comments in the output"
run "util.c's change belongs to the tidying: the version moves to that activity" \
  "$vantool" chact -fcset emit_comments -tcset tidy -view codegen_dev -nc "$codegen/util.c@@/main/codegen_dev/1"
"$vantool" lsact -long -in codegen_dev@/projects
run "An activity's headline can change; its description shows the change set" \
  "$vantool" chact -headline "Tidy the code generator helpers" -nc tidy@/projects
"$vantool" describe activity:tidy@/projects
step "An activity with versions cannot be removed (exit status 1)" "$vantool" rmact -nc tidy@/projects
"$vantool" rmact -nc tidy@/projects || echo "(exit status $?)"
run "An empty one can" "$vantool" mkact -nset -in codegen_dev@/projects -nc scratch@/projects
"$vantool" rmact -nc scratch@/projects
run "The parser stream's activities, as JSON" "$vantool" lsact -json -in parser_dev@/projects

run "Baselines: a new component VOB for the manual, in a project of its own" \
  "$vantool" mkvob -tag /manual -admin /projects -c "The user manual"
"$vantool" mkcomp -root "$views/alice/manual" -c "The manual" manual@/projects
run "The project and its integration stream in one command" \
  "$vantool" mkproject -in compilers@/projects -modcomp manual@/projects -blname_template basename \
  -istream docs_int -baseline manual_INITIAL@/projects -c "Writing the manual" docs@/projects
"$vantool" mkstream -in docs@/projects -nc writers@/projects
"$vantool" mkview -stream writers@/projects -tag writers "$views/writers"
run "A stream's view shows exactly its configuration: the initial baseline, an empty VOB root" \
  ls -A "$views/writers/manual"
manual="$views/writers/manual"
run "The writers add two chapters in an activity" \
  "$vantool" mkact -view writers -headline "First chapters" -nc chapters@/projects
"$vantool" checkout -nc "$manual"
printf 'Chapter 1: Getting started\n' > "$manual/start.txt"
printf 'Chapter 2: Streams\n' > "$manual/streams.txt"
"$vantool" mkelem -ci -nc "$manual/start.txt" "$manual/streams.txt"
"$vantool" checkin -nc "$manual"
run "A baseline of the writers' stream records the activity and labels its versions" \
  "$vantool" mkbl -view writers -c "First draft" DRAFT1
run "With nothing changed since, no new baseline is made" \
  "$vantool" mkbl -stream writers@/projects -nc DRAFT2
run "The baselines of the component" "$vantool" lsbl -component manual@/projects
run "The baseline in detail: component, stream, level, labeling, activities" \
  "$vantool" describe baseline:DRAFT1@/projects
run "Promoted and fully labeled" \
  "$vantool" chbl -level REVIEWED -c "Proof-read" DRAFT1@/projects
"$vantool" chbl -full -nc DRAFT1@/projects
"$vantool" lsbl -long DRAFT1@/projects
run "A review stream starts from the baseline; its view shows the baselined files" \
  "$vantool" mkstream -in writers@/projects -baseline DRAFT1@/projects -c "Review" review@/projects
"$vantool" mkview -stream review@/projects -tag review "$views/review"
cat "$views/review/manual/start.txt" "$views/review/manual/streams.txt"
run "Its config spec selects the baseline's version map and branches on checkout" \
  "$vantool" catcs -view review
run "Regenerating a stream's config spec (its identity advances), and loading it into a view again" \
  "$vantool" chstream -generate -nc review@/projects
"$vantool" setcs -stream -view review
"$vantool" catcs -view review | head -n 2
step "A baseline that a stream is founded on cannot be removed (exit status 1)" \
  "$vantool" rmbl -nc DRAFT1@/projects
"$vantool" rmbl -nc DRAFT1@/projects || echo "(exit status $?)"

run "Baselines of the library's development streams, named by their base name alone" \
  "$vantool" chproject -blname_template basename -nc libcc@/projects
"$vantool" mkbl -view parser_dev -c "Faster parser" PARSER1
"$vantool" mkbl -view codegen_dev -c "Comments and tidier helpers" CODEGEN1
run "What the parser baseline brings over the foundation: activities, then their versions" \
  "$vantool" diffbl V1_parser_IMPORT@/projects PARSER1@/projects
"$vantool" diffbl -versions -predecessor PARSER1@/projects
run "More parser work, not yet in a baseline: the stream as it is now against its baseline" \
  "$vantool" mkact -view parser_dev -headline "Error recovery" -nc recovery@/projects
"$vantool" checkout -nc "$parser/main.c"
printf '/* recovers from errors */\n' >> "$parser/main.c"
"$vantool" checkin -nc "$parser/main.c"
"$vantool" diffbl -versions PARSER1@/projects parser_dev@/projects
run "Two streams compared, component by component" \
  "$vantool" diffbl parser_dev@/projects codegen_dev@/projects

run "The integration stream fixes the code generator and records it in a baseline" \
  "$vantool" mkact -view libcc_int -headline "Fix the build" -nc buildfix@/projects
"$vantool" checkout -nc "$views/libcc_int/codegen/main.c"
printf '/* builds everywhere */\n' >> "$views/libcc_int/codegen/main.c"
"$vantool" checkin -nc "$views/libcc_int/codegen/main.c"
"$vantool" mkbl -view libcc_int -c "Integration fix" INT1
run "...and recommends it, with the parser's foundation baseline" \
  "$vantool" chstream -recommended INT1@/projects,V1_parser_IMPORT@/projects -c "Take the fix" \
  libcc_int@/projects
step "A recommendation of a development stream's baseline, never delivered, is refused (exit status 1)" \
  "$vantool" chstream -recommended PARSER1@/projects,INT1@/projects -nc libcc_int@/projects
"$vantool" chstream -recommended PARSER1@/projects,INT1@/projects -nc libcc_int@/projects || echo "(exit status $?)"
run "The parser stream is now behind its rebase stream's recommendation" \
  "$vantool" lsstream -long parser_dev@/projects
run "What a rebase of it would change, component by component (nothing is changed)" \
  "$vantool" rebase -preview -stream parser_dev@/projects
run "The code generator stream, through its view: it changed codegen, and advancing is still allowed" \
  "$vantool" rebase -preview -view codegen_dev
step "A development stream takes only what its parent has: another stream's baseline is refused (exit status 1)" \
  "$vantool" rebase -preview -baseline CODEGEN1@/projects -stream parser_dev@/projects
"$vantool" rebase -preview -baseline CODEGEN1@/projects -stream parser_dev@/projects || echo "(exit status $?)"
run "The rebase itself, in the parser stream's view: the first phase points the view at the new configuration and stops" \
  "$vantool" rebase -view parser_dev
run "The view already shows the integration fix; the stream keeps its foundation until the rebase completes" \
  cat "$views/parser_dev/codegen/main.c"
"$vantool" lsstream -long parser_dev@/projects
run "The rebase in progress" "$vantool" rebase -status -view parser_dev
run "Completing it commits the new foundation to the stream and gives the view its activity back" \
  "$vantool" rebase -complete -view parser_dev
"$vantool" lsstream -long parser_dev@/projects
"$vantool" lsact -cact -view parser_dev
run "The code generator stream changed codegen itself: its rebase merges the integration's changes into its view" \
  "$vantool" rebase -view codegen_dev
run "The merges waiting for the developer" "$vantool" lsco -merge -view codegen_dev
run "Both sides changed the same lines of main.c: the view holds the conflict" \
  cat "$views/codegen_dev/codegen/main.c"
step "Completing before the conflict is resolved is refused (exit status 1)" \
  "$vantool" rebase -complete -view codegen_dev
"$vantool" rebase -complete -view codegen_dev || echo "(exit status $?)"
step "The developer resolves it, keeping both changes" \
  sed -i "'/^\(<<<<<<<\|=======\|>>>>>>>\)/d'" "$views/codegen_dev/codegen/main.c"
sed -i '/^\(<<<<<<<\|=======\|>>>>>>>\)/d' "$views/codegen_dev/codegen/main.c"
cat "$views/codegen_dev/codegen/main.c"
run "Completing now checks the merge in, in the rebase's integration activity, and commits the new foundation" \
  "$vantool" rebase -complete -view codegen_dev
"$vantool" lsact -in codegen_dev@/projects
run "A test stream on the original baselines, rebased and then cancelled" \
  "$vantool" mkstream -in libcc@/projects -baseline V1_parser_IMPORT@/projects,V1_codegen_IMPORT@/projects \
  -c "Tests" tests_dev@/projects
"$vantool" mkview -stream tests_dev@/projects -tag tests_dev "$views/tests_dev"
"$vantool" rebase -view tests_dev
run "The cancel puts the view back on the stream's configuration; nothing is left in progress" \
  "$vantool" rebase -cancel -force -view tests_dev
"$vantool" rebase -status -view tests_dev
"$vantool" lsstream -long tests_dev@/projects
run "The daily cycle: the parser developer delivers the stream's work to the integration stream (the plan first)" \
  "$vantool" deliver -preview -stream parser_dev@/projects
run "The deliver merges into the integration view, in an integration activity, and stops for a build there" \
  "$vantool" deliver -stream parser_dev@/projects -to libcc_int
"$vantool" deliver -status -stream parser_dev@/projects
"$vantool" lsco -view libcc_int
run "Completing checks the merges in and records the delivery" \
  "$vantool" deliver -complete -stream parser_dev@/projects
run "Nothing of the parser stream is left to deliver: only the integration activity differs, on the integration side" \
  "$vantool" diffbl parser_dev@/projects libcc_int@/projects
run "Meanwhile the integration stream changed the code generator's helpers too" \
  "$vantool" mkact -view libcc_int -headline "Portable helpers" -nc portable@/projects
"$vantool" checkout -nc "$views/libcc_int/codegen/util.c"
printf '/* portable */\n' >> "$views/libcc_int/codegen/util.c"
"$vantool" checkin -nc "$views/libcc_int/codegen/util.c"
run "The code generator developer delivers: util.c changed on both sides, the same line" \
  "$vantool" deliver -stream codegen_dev@/projects -to libcc_int
"$vantool" lsco -merge -view libcc_int
step "The integrator resolves it in the integration view, keeping both changes, and completes" \
  sed -i "'/^\(<<<<<<<\|=======\|>>>>>>>\)/d'" "$views/libcc_int/codegen/util.c"
sed -i '/^\(<<<<<<<\|=======\|>>>>>>>\)/d' "$views/libcc_int/codegen/util.c"
"$vantool" deliver -complete -stream codegen_dev@/projects
cat "$views/libcc_int/codegen/util.c"
run "A baseline of the integration stream, recommended" \
  "$vantool" mkbl -view libcc_int -c "Parser and code generator work" INT2
"$vantool" chstream -recommended INT2@/projects,INT2.1@/projects -c "Take both deliveries" libcc_int@/projects
run "The parser developer rebases to it and now has the code generator's work" \
  "$vantool" rebase -recommended -complete -view parser_dev
cat "$views/parser_dev/codegen/util.c"
run "A release project whose integration stream also holds the rootless component release_notes" \
  "$vantool" mkproject -in compilers@/projects -modcomp parser@/projects,codegen@/projects \
  -blname_template basename -c "Releases" release@/projects
"$vantool" mkstream -in release@/projects -integration \
  -baseline V1_parser_IMPORT@/projects,V1_codegen_IMPORT@/projects,release_notes_INITIAL@/projects \
  -nc release_int@/projects
"$vantool" mkview -stream release_int@/projects -tag release_int "$views/release_int"
run "A composite baseline: release_notes depends on the parser and code generator baselines" \
  "$vantool" mkbl -stream release_int@/projects -component release_notes@/projects \
  -adepends_on V1_parser_IMPORT@/projects,V1_codegen_IMPORT@/projects -c "Release 1" REL1
"$vantool" describe baseline:REL1@/projects
run "A fix to the parser in the release stream: its new baseline REL2 brings a new composite, REL2.1" \
  "$vantool" mkact -view release_int -headline "Fix a crash" -nc crashfix@/projects
"$vantool" checkout -nc "$views/release_int/parser/util.c"
printf '/* no crash */\n' >> "$views/release_int/parser/util.c"
"$vantool" checkin -nc "$views/release_int/parser/util.c"
"$vantool" mkbl -view release_int -c "Release 2" REL2
"$vantool" lsbl -stream release_int@/projects
run "The two composites compared: the member that changed, then the activities it brought" \
  "$vantool" diffbl -baselines REL1@/projects REL2.1@/projects
"$vantool" diffbl -versions REL1@/projects REL2.1@/projects

step "Nobody else may remove a user's view: bob is refused the review view (exit status 1)" \
  KORVANE_USER=bob "$vantool" rmview -force -tag review
KORVANE_USER=bob "$vantool" rmview -force -tag review || echo "(exit status $?)"
run "Names follow one rule, types included (exit status 1)" \
  "$vantool" mkbrtype -nc "fix;now@/sources" || echo "(exit status $?)"
step "The registry is lost; registering the VOB storage brings the project VOB back whole" \
  "$vantool" register "$KORVANE_HOME/vobs/projects.vbs"
mv "$KORVANE_HOME/registry.db" "$KORVANE_HOME/registry.db.lost"
rm -f "$KORVANE_HOME/registry.db-wal" "$KORVANE_HOME/registry.db-shm"
"$vantool" lsvob -short
"$vantool" register "$KORVANE_HOME/vobs/projects.vbs"
"$vantool" lsbl -short -component manual@/projects
rm -f "$KORVANE_HOME/registry.db" "$KORVANE_HOME/registry.db-wal" "$KORVANE_HOME/registry.db-shm"
mv "$KORVANE_HOME/registry.db.lost" "$KORVANE_HOME/registry.db"

printf '\nThe demonstration store is in %s.\n' "$KORVANE_HOME"
