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
