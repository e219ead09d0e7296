// System utilities: storage root, directories and the current user.
#include "services/sysutl.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "services/tbs.h"

std::string sysutl_korvane_home() {
  const char* home = std::getenv("KORVANE_HOME");
  if (home != nullptr && *home != '\0')
    return home;
  const char* user_home = std::getenv("HOME");
  return std::string(user_home != nullptr ? user_home : ".") + "/.korvane";
}

int sysutl_make_dirs(const std::string& path) {
  if (path.empty())
    return TBS_ST_BAD_ARGUMENT;
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/')
      continue;
    std::string prefix = path.substr(0, pos);
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
      return tbs_errno2status(errno);
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0)
    return tbs_errno2status(errno);
  return S_ISDIR(st.st_mode) ? TBS_ST_OK : TBS_ST_NOT_DIRECTORY;
}

int sysutl_myloginname(char* buf, size_t size) {
  if (buf == nullptr || size == 0)
    return TBS_ST_BAD_ARGUMENT;
  const char* name = std::getenv("KORVANE_USER");
  if (name == nullptr || *name == '\0') {
    struct passwd* pw = getpwuid(geteuid());
    name = pw != nullptr ? pw->pw_name : nullptr;
  }
  if (name == nullptr || *name == '\0')
    return TBS_ST_NOT_FOUND;
  std::strncpy(buf, name, size - 1);
  buf[size - 1] = '\0';
  return TBS_ST_OK;
}

namespace {

// A stable id above 2^31 for a name the system's user database does not know.
long synthetic_user_id(const char* login) {
  unsigned long h = 1469598103934665603ul;
  for (const char* p = login; *p != '\0'; ++p)
    h = (h ^ static_cast<unsigned char>(*p)) * 1099511628211ul;
  return static_cast<long>((h & 0x7fffffffl) | 0x80000000l);
}

}  // namespace

int sysutl_user_to_usid(const char* login, sysutl_usid_t* usid) {
  if (login == nullptr || *login == '\0' || usid == nullptr)
    return TBS_ST_NOT_FOUND;
  struct passwd* pw = getpwnam(login);
  usid->id = pw != nullptr ? static_cast<long>(pw->pw_uid) : synthetic_user_id(login);
  std::strncpy(usid->name, login, sizeof usid->name - 1);
  usid->name[sizeof usid->name - 1] = '\0';
  return TBS_ST_OK;
}

int sysutl_usid_to_user(const sysutl_usid_t* usid, char* buf, size_t size) {
  if (usid == nullptr || usid->id < 0 || buf == nullptr || size == 0)
    return 2;
  const char* name = usid->name;
  struct passwd* pw = usid->id < 0x80000000l ? getpwuid(static_cast<uid_t>(usid->id)) : nullptr;
  if (pw != nullptr)
    name = pw->pw_name;
  if (*name == '\0')
    return 2;
  std::strncpy(buf, name, size - 1);
  buf[size - 1] = '\0';
  return TBS_ST_OK;
}

int sysutl_user_to_fullname(const char* login, char* buf, size_t size) {
  struct passwd* pw = login != nullptr ? getpwnam(login) : nullptr;
  if (pw == nullptr || pw->pw_gecos == nullptr || *pw->pw_gecos == '\0' || size == 0)
    return TBS_ST_NOT_FOUND;
  std::string full = pw->pw_gecos;
  full = full.substr(0, full.find(','));
  if (full.empty())
    return TBS_ST_NOT_FOUND;
  std::strncpy(buf, full.c_str(), size - 1);
  buf[size - 1] = '\0';
  return TBS_ST_OK;
}

std::string sysutl_hostname() {
  char host[256];
  if (gethostname(host, sizeof host) != 0)
    return "localhost";
  host[sizeof host - 1] = '\0';
  return host;
}
