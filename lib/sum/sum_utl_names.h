// Naming utilities shared by every ZEM kind: checking proposed object names,
// deriving names from titles, generating unique names, listing type objects
// and resolving universal selectors in bulk.
#ifndef SUM_SUM_UTL_NAMES_H
#define SUM_SUM_UTL_NAMES_H

#include "services/vob.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"

// 1 when `name` may be used as an object name; otherwise 0 after printing
// the reason at error severity (catalog "sum/utl"), checked in this order:
//   1 the name is empty;
//   2 it is 256 bytes or longer (255 is the longest name);
//   3 it has a character other than a letter, a digit, "-", "_" or ".":
//     whitespace, "@", ":", "/" and every other punctuation are illegal
//     because selectors and paths use them as separators; letters and digits
//     are those of the current locale's character set;
//   4 it is ".", ".." or "...";
//   9 it reads as a decimal integer (optional sign and digits), which
//     selectors would take for a number.
int sum_utl_is_ok_name(const SUM_String& name);

// 1 when no object of metatype `mtype` is named `name` in `vob`. Otherwise
// 0, after printing "The name is already in use." when such an object exists
// or "Internal error while trying to resolve the name." when the lookup
// fails. A null VOB records an internal error and answers 0.
int sum_utl_is_unique_name(const SUM_String& name, vob_mtype_t mtype, const SUM_Vob& vob);

// 1 when `name` may name a new or renamed object of metatype `mtype` in
// `vob`: a valid name (sum_utl_is_ok_name) not yet taken
// (sum_utl_is_unique_name); 0 after their message, or for a null name.
int sum_utl_is_usable_name(const char* name, vob_mtype_t mtype, const SUM_Vob& vob);

// An object name made from a free-text title: characters other than
// letters, digits, "-", "." and "_" become spaces, leading "-" are dropped,
// whitespace runs collapse, the text is cut after its 60th byte (at the end
// of the character crossing it), trimmed, and the remaining spaces become
// "_". The empty string when no letter remains.
SUM_String sum_utl_cvt_title_to_obj_name(const SUM_String& title);

// A name of metatype `mtype` not yet used in `vob`: `base` itself when it is
// free and `random_suffix` is 0, else `base` followed by "." and a random
// number from 1 to 9999, drawn anew after each conflict (20 tries; each
// conflict is traced at level 2). The empty string when the base is empty;
// also, after an error message, when a candidate would be longer than 255
// bytes, a lookup fails, or all 20 candidates are taken. A null VOB records
// an internal error and gives the empty string.
SUM_String sum_utl_generate_unique_obj_name(const SUM_String& base, vob_mtype_t mtype,
                                            int random_suffix, const SUM_Vob& vob);

// Appends to `out` every type object of kind `kind` (a selector kind text
// such as "brtype" or "lbtype") in `vob`, in creation order. A null VOB or
// kind is 1072; a kind text the repository does not know passes its status
// up (1004); a kind that does not name type objects is 1001.
int sum_utl_get_named_objs(const SUM_Vob& vob, const char* kind, SUM_NamedObjectList& out);

// Resolves the first `count` universal selectors of `selectors` ("oid:<oid>
// @vobuuid:<uuid>"), one repository call per VOB. The selectors are grouped
// by their text from the first "@" on; groups are taken in the order of that
// text, and each group's results are written to the next positions of
// `vobs` and `dbids`, in input order within the group. A caller therefore
// reads results in the order of a stable sort of the input by VOB text.
// `count` above the list's count, or null arrays, is 1072; a lookup failure
// passes up; a selector that names nothing is 1001.
int sum_utl_resolve_univ_selectors(const SUM_StringList& selectors, vob_vob_h* vobs,
                                   tbs_dbid_t* dbids, unsigned count);

// Splits an object selector "[kind:]name[@vob-tag]" into `out` (kind and
// VOB empty when not given) without looking anything up; 1004 for a text
// that is no selector, `out` untouched then.
int sum_utl_parse_selector(const char* text, vob_objsel_t& out);

// The metatype of the type objects a selector kind names ("brtype",
// "lbtype", "trtype", ...); 1004 when `kind` is unknown or names objects
// that are not types.
int sum_utl_type_kind_mtype(const char* kind, vob_mtype_t& out);

#endif  // SUM_SUM_UTL_NAMES_H
