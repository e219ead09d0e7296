// System utilities: storage root, directories and the current user.
#include "services/sysutl.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

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

namespace {

// What the system's user database says of one account. Looked up once per
// process and account: every created object asks for its owner, and reading
// the user database (a file, or a name service) costs more than the write.
struct Account {
  bool known = false;
  uid_t uid = 0;
  std::string name;
  std::string gecos;
};

Account account_of(const struct passwd* pw) {
  Account a;
  if (pw != nullptr) {
    a.known = true;
    a.uid = pw->pw_uid;
    a.name = pw->pw_name != nullptr ? pw->pw_name : "";
    a.gecos = pw->pw_gecos != nullptr ? pw->pw_gecos : "";
  }
  return a;
}

const Account& account_by_uid(uid_t uid) {
  static std::map<uid_t, Account> cache;
  auto it = cache.find(uid);
  if (it == cache.end())
    it = cache.emplace(uid, account_of(getpwuid(uid))).first;
  return it->second;
}

const Account& account_by_name(const std::string& login) {
  static std::map<std::string, Account> cache;
  auto it = cache.find(login);
  if (it == cache.end())
    it = cache.emplace(login, account_of(getpwnam(login.c_str()))).first;
  return it->second;
}

}  // namespace

int sysutl_myloginname(char* buf, size_t size) {
  if (buf == nullptr || size == 0)
    return TBS_ST_BAD_ARGUMENT;
  const char* name = std::getenv("KORVANE_USER");
  if (name == nullptr || *name == '\0') {
    const Account& me = account_by_uid(geteuid());
    name = me.known ? me.name.c_str() : nullptr;
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
  const Account& account = account_by_name(login);
  usid->id = account.known ? static_cast<long>(account.uid) : synthetic_user_id(login);
  std::strncpy(usid->name, login, sizeof usid->name - 1);
  usid->name[sizeof usid->name - 1] = '\0';
  return TBS_ST_OK;
}

int sysutl_usid_to_user(const sysutl_usid_t* usid, char* buf, size_t size) {
  if (usid == nullptr || usid->id < 0 || buf == nullptr || size == 0)
    return 2;
  const char* name = usid->name;
  if (usid->id < 0x80000000l) {
    const Account& account = account_by_uid(static_cast<uid_t>(usid->id));
    if (account.known)
      name = account.name.c_str();
  }
  if (*name == '\0')
    return 2;
  std::strncpy(buf, name, size - 1);
  buf[size - 1] = '\0';
  return TBS_ST_OK;
}

int sysutl_user_to_fullname(const char* login, char* buf, size_t size) {
  if (login == nullptr || size == 0)
    return TBS_ST_NOT_FOUND;
  const Account& account = account_by_name(login);
  if (!account.known || account.gecos.empty())
    return TBS_ST_NOT_FOUND;
  std::string full = account.gecos;
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
