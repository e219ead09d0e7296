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

// A user's identity record. Users known to the system carry their numeric
// id; names that the system does not know (acted as through KORVANE_USER)
// carry a stable id derived from the name, above 2^31. Two records name the
// same user when their ids are equal.
struct sysutl_usid_t {
  long id = -1;         // -1: no user
  char name[256] = {};  // the login name the record was made from
};

// The identity of `login`: 0, or 2 when there is no such user (an empty
// login). The system's user database is asked first.
int sysutl_user_to_usid(const char* login, sysutl_usid_t* usid);
// The login name of `usid` into `buf`: 0, or 2 when the record names no user.
int sysutl_usid_to_user(const sysutl_usid_t* usid, char* buf, size_t size);
// The full name of `login` from the system's user database (the first field
// of its comment); 1002 when there is none.
int sysutl_user_to_fullname(const char* login, char* buf, size_t size);
// The host name of this machine; "localhost" when it cannot be read.
std::string sysutl_hostname();

#endif  // SERVICES_SYSUTL_H
