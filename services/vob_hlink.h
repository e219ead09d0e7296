// Hyperlinks and hyperlink types.
//
// A hyperlink is an object of the VOB of its "from" end, of a well-known type
// (one of the VOB_WK_HLTYPE_* objects every VOB has) or of a named type (a
// hyperlink type object made with vob_hltype_create, present by name in each
// VOB the link touches). When the "to" end is in another VOB, that VOB holds
// an arrow record, so the link can be walked from both ends. An end whose
// object (or VOB) no longer exists is reported as broken, never as an error.
#ifndef SERVICES_VOB_HLINK_H
#define SERVICES_VOB_HLINK_H

#include <string>
#include <vector>

#include "services/vob.h"

// One end seen from an object: the hyperlink (held in `hlink_vob`), and the
// object at the other end, or `broken` when that object no longer exists.
struct vob_hlink_end_t {
  vob_vob_h hlink_vob = nullptr;
  tbs_dbid_t hlink = 0;
  vob_vob_h other_vob = nullptr;
  tbs_dbid_t other = 0;
  int broken = 0;
  std::string from_text;
  std::string to_text;
  tbs_uuid_t other_family{};  // the VOB family of the other end, known even when broken
};

// The arrow record of a hyperlink: its type and both ends.
struct vob_arrow_info_t {
  tbs_oid_t hlink_oid{};
  vob_wkobj_t wk_type = 0;  // 0 for a named type
  std::string type_name;
  vob_vob_h from_vob = nullptr;
  tbs_dbid_t from = 0;  // 0 when the end is broken
  vob_vob_h to_vob = nullptr;
  tbs_dbid_t to = 0;  // 0 when the end is broken
  std::string from_text;
  std::string to_text;
};

// Creates a hyperlink of well-known type `wk_type` from (vob, from) to
// (to_vob, to). 1004 when `wk_type` is not a well-known hyperlink type.
int vob_hlink_create_wk(vob_vob_h vob, tbs_dbid_t from, vob_wkobj_t wk_type, vob_vob_h to_vob,
                        tbs_dbid_t to, const char* from_text, const char* to_text,
                        const vob_event_info_t* event, tbs_dbid_t* hlink);

// A named hyperlink type: created in one VOB (1003 when the name is taken),
// found by name (1002 when absent).
int vob_hltype_create(vob_vob_h vob, const char* name, const vob_event_info_t* event,
                      tbs_dbid_t* hltype);
int vob_resolve_type(vob_vob_h vob, const char* name, vob_mtype_t mtype, tbs_dbid_t* type);
// Creates a hyperlink of the named type `type_name`, which must exist in the
// VOB of each end (1002 otherwise).
int vob_hlink_create(vob_vob_h vob, tbs_dbid_t from, const char* type_name, vob_vob_h to_vob,
                     tbs_dbid_t to, const char* from_text, const char* to_text,
                     const vob_event_info_t* event, tbs_dbid_t* hlink);

// The hyperlink of a type from (vob, from) to (to_vob, to); 1002 when there
// is none (the first in creation order when there are several).
int vob_obj_find_wk_hlink(vob_vob_h vob, tbs_dbid_t from, vob_wkobj_t wk_type, vob_vob_h to_vob,
                          tbs_dbid_t to, tbs_dbid_t* hlink);
int vob_obj_find_hlink(vob_vob_h vob, tbs_dbid_t from, const char* type_name, vob_vob_h to_vob,
                       tbs_dbid_t to, tbs_dbid_t* hlink);
// Deletes a hyperlink (held in `vob`) and the arrow of its other end.
int vob_hlink_delete(vob_vob_h vob, tbs_dbid_t hlink, const vob_event_info_t* event);

// The arrow record of a hyperlink held in `vob`.
int vob_hlink_hlinkh_get_arrow(vob_vob_h vob, tbs_dbid_t hlink, vob_arrow_info_t* arrow);
// The object at one end (0 "from", 1 "to") of a hyperlink held in `vob`;
// `broken` 1 with a null object when that end no longer exists.
int vob_hlink_hlinkh_get_one_obj(vob_vob_h vob, tbs_dbid_t hlink, int end, vob_vob_h* obj_vob,
                                 tbs_dbid_t* obj, int* broken);

// Every hyperlink of `wk_type` at `obj`: direction 1 outgoing (obj is
// "from"), 0 incoming. In creation order (local ones before those held in
// other VOBs).
int vob_obj_list_hlinks(vob_vob_h vob, tbs_dbid_t obj, vob_wkobj_t wk_type, int direction,
                        std::vector<vob_hlink_end_t>& ends);
int vob_obj_has_hlink(vob_vob_h vob, tbs_dbid_t obj, vob_wkobj_t wk_type, int direction, int* has);
// Every hyperlink at `obj` of any type, both directions, for descriptions:
// `outgoing` and `incoming` with the type of each in `types` order.
struct vob_hlink_typed_end_t {
  vob_hlink_end_t end;
  std::string type_name;
  int direction = 1;
};
int vob_obj_list_all_hlinks(vob_vob_h vob, tbs_dbid_t obj,
                            std::vector<vob_hlink_typed_end_t>& ends);

// Walking in chunks: a cursor over the hyperlinks of `wk_type` at `obj` in one
// direction; each call hands out at most `max` ends and 1002 once the walk is
// done (an empty chunk with status 0 may come while links remain to be
// checked). Close with vob_ob_cursor_close.
int vob_obj_hlink_cursor_open(vob_vob_h vob, tbs_dbid_t obj, vob_wkobj_t wk_type, int direction,
                              vob_cursor_h* cursor);
int vob_obj_next_hlinks(vob_cursor_h cursor, size_t max, std::vector<vob_hlink_end_t>& ends);

#endif  // SERVICES_VOB_HLINK_H
