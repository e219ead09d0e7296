// Compiled by the tests, not linked: a print whose arguments do not match
// its format's conversions must not compile. Built once as it stands (it
// must compile) and once with IMSG_WRONG_ARGUMENTS defined (it must fail,
// naming the mismatch).
#include <string>

#include "test_messages_catalog.h"

void prints(const std::string& name) {
  imsg_print(IMSG_ERROR, test_messages_msg::NamedStream, name, 3);
#ifdef IMSG_WRONG_ARGUMENTS
  imsg_print(IMSG_ERROR, test_messages_msg::NamedStream, 3, name);
#endif
}
