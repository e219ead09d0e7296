// What the two halves of the trigger service share: reading trigger types
// (vob_trtype.cpp) and running them (vob_trig.cpp).
#ifndef REPOSITORY_VOB_TRIG_INTERNAL_H
#define REPOSITORY_VOB_TRIG_INTERNAL_H

#include <vector>

#include "services/vob_trig.h"

namespace repo {

// The trigger types of `vob` with their restrictions (selectors not
// filled), in creation order.
int read_trtypes(vob_vob_h vob, std::vector<vob_trtype_t>& types);

// `vob` followed by its admin VOB, that VOB's admin VOB and so on: the VOBs
// whose trigger types serve operations on objects of `vob`. A hierarchy
// that loops ends where it meets a VOB already listed.
int vob_and_admins(vob_vob_h vob, std::vector<vob_vob_h>& chain);

}  // namespace repo

#endif  // REPOSITORY_VOB_TRIG_INTERNAL_H
