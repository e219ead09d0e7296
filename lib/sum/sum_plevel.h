// SUM_PLevel: a promotion level, one of the ordered quality levels that a
// baseline can carry.
//
// A project VOB keeps its levels as the enumerated values of its well-known
// promotion-level attribute type, lowest first; the attribute type's default
// value is the default level. Each value is stored as the level's name in
// double quotes ("\"BUILT\""), the form in which baselines carry it as an
// attribute; the handle and every operation here deal in bare names.
//
// A SUM_PLevel is a value: a name plus the project VOB it belongs to. It is
// null when either is missing; every operation on a null level or a null VOB
// records an internal error and returns 1072. Operations on a VOB that is not
// a project VOB print "Operation not valid in non-ZEM project VOB." at error
// severity and return 1001. Out-parameters are filled only on success.
#ifndef SUM_SUM_PLEVEL_H
#define SUM_SUM_PLEVEL_H

#include <cstring>

#include "sum/sum_list.h"
#include "sum/sum_lists.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"

class SUM_PLevel {
 public:
  // The null level.
  SUM_PLevel() = default;
  // The level `name` of project VOB `vob`, as given (not checked against
  // the VOB's levels: construct_from_string does that).
  SUM_PLevel(const SUM_String& name, const SUM_Vob& vob) : name_(name), vob_(vob) {}
  SUM_PLevel(const SUM_PLevel& other) = default;
  SUM_PLevel& operator=(const SUM_PLevel& other) = default;
  virtual ~SUM_PLevel() = default;

  // The level called `name` among the levels of `vob`. When `vob` has no
  // such level, prints "Promotion level <name> not found." at error severity
  // if `report` is nonzero, and returns 1002 either way. Failures to read
  // the levels pass up (1001 after the message for a VOB that is not a
  // project VOB).
  static int construct_from_string(const SUM_String& name, const SUM_Vob& vob, int report,
                                   SUM_PLevel& out);
  // Replaces `out` with the levels of `vob`, lowest first.
  static int get_plevels(const SUM_Vob& vob, SUM_PLevelList& out);
  // The default level of `vob`; 1002 when the VOB defines none.
  static int get_def_plevel(const SUM_Vob& vob, SUM_PLevel& out);
  // Makes `names` (lowest first) the levels of `vob` and `default_name` its
  // default, recording `comment` with the change. Refused with 1001 after a
  // message at error severity: a name that is not a valid object name (the
  // naming utility's message), a name given twice ("The name is already in
  // use."), a default that is not one of `names` ("Promotion level <name>
  // not found."). An empty `names` or `default_name` is 1072. Repository
  // failures pass up (1040 when the attribute type is locked).
  static int set_plevels(const SUM_Vob& vob, const SUM_StringList& names,
                         const SUM_String& default_name, const SUM_String& comment);
  // Orders `a` against `b` by their positions in `levels` (normally the
  // levels of their VOB): `order` is 1 when `a` comes later (is higher), -1
  // when earlier, 0 when both have the same name. Levels of different VOB
  // families are not comparable and give 0. An entry of `levels` from
  // another family than `a` is 1072 after an internal-error record; 1002
  // when `a` or `b` is not in `levels`.
  static int compare(const SUM_PLevel& a, const SUM_PLevel& b, const SUM_PLevelList& levels,
                     int& order);

  // The stored attribute value of a level name ("\"<name>\""), and the
  // name of a stored value: the value without its surrounding double quotes
  // (a value that is not quoted is its own name).
  static SUM_String quoted(const SUM_String& name);
  static SUM_String unquoted(const SUM_String& value);

  const SUM_String& name() const { return name_; }
  const SUM_Vob& vob() const { return vob_; }
  // The stored attribute value of this level: quoted(name()).
  SUM_String attr_value() const { return quoted(name_); }
  // 1 when the name is empty or the VOB null.
  int is_null() const { return name_.GetLength() == 0 || vob_.is_null() ? 1 : 0; }
  // Equal names in the same VOB.
  bool operator==(const SUM_PLevel& other) const {
    return vob_ == other.vob_ && std::strcmp(name_, other.name_) == 0;
  }
  bool operator!=(const SUM_PLevel& other) const { return !(*this == other); }

 private:
  SUM_String name_;
  SUM_Vob vob_;
};

#endif  // SUM_SUM_PLEVEL_H
