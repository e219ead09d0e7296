// Type managers: each element type is handled by a manager, which names how
// its versions are stored and merged: "text_file_delta" for text files
// (merged three ways), "binary_delta" for files never merged automatically,
// "directory" for directories. A manager may offer further operations as
// programs: the executable file named after the operation in the manager's
// directory, <KORVANE_HOME>/mgrs/<manager>/<operation>
// ($KORVANE_MGR_DIR/<manager>/<operation> when that variable is set).
#ifndef SERVICES_TBS_MGR_H
#define SERVICES_TBS_MGR_H

#include <string>
#include <vector>

// The manager of element type `eltype` (vob_eltype); 1004 for an unknown type.
int tbs_eltype_get_mgr(int eltype, std::string& manager);
// `supported` 1 when `manager` has a program for `operation`. 1004 for a
// name holding '/' or empty.
int tbs_mgr_is_supported_op(const char* manager, const char* operation, int* supported);
// Runs `manager`'s program for `operation` with `args` and waits for it;
// `result` is its exit status (128 + the signal when a signal ended it), and
// anything but 0 means the operation failed. 1002 when the manager has no
// such program; the errno status when it cannot be started.
int tbs_mgr_invoke_op(const char* manager, const char* operation,
                      const std::vector<std::string>& args, int* result);

#endif  // SERVICES_TBS_MGR_H
