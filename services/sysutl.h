// System utilities: the store's home directory and the current user.
#ifndef SERVICES_SYSUTL_H
#define SERVICES_SYSUTL_H

#include <cstddef>
#include <string>

// The storage root: $KORVANE_HOME, else $HOME/.korvane. The directory is not
// created here.
std::string sysutl_korvane_home();

// Creates `path` and its missing parents (mode 0777 less the umask).
// Returns 0, or the status of the failure (tbs_errno2status).
int sysutl_make_dirs(const std::string& path);

// The current user's login name: $KORVANE_USER when set and not empty,
// otherwise the login name of the process's effective user. Copies at most
// size - 1 bytes into `buf`. Returns 0, or 1002 when no name can be found.
int sysutl_myloginname(char* buf, size_t size);

#endif  // SERVICES_SYSUTL_H
