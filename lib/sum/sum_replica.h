// SUM_Replica: a replica object of a VOB family, as named by mastership.
#ifndef SUM_SUM_REPLICA_H
#define SUM_SUM_REPLICA_H

#include "sum/sum_handle_kind.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_Replica : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::REPLICA;

  // The null replica.
  SUM_Replica() = default;
  SUM_Replica(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  // The replica for the same object when it is a replica (metatype 24), else
  // the null replica.
  static SUM_Replica convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Replica>(obj); }
  // The replica named by selector `text` ("replica:name@vob", or the
  // universal form), resolved in `vob` when the text names no VOB; `widen`
  // also searches the admin VOBs. 0 and `out` set; 1001 when the text names
  // an object that is not a replica; lookup failures pass up; `out` is null
  // on failure.
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_Replica& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }

  // The name the Tarsen tracker knows the replica's site by: the replica's
  // name.
  int tarsen_site_name(SUM_String& name) const;
};

#endif  // SUM_SUM_REPLICA_H
