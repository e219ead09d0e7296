// SUM_OsUser: an operating-system user, named by login and identified by the
// base services' user identity record.
#ifndef SUM_SUM_OS_USER_H
#define SUM_SUM_OS_USER_H

#include "services/sysutl.h"

class SUM_OsUser {
 public:
  // The null user (empty login, no identity).
  SUM_OsUser();
  // The user `login` (cut to 255 bytes); its identity is looked up at once
  // and stays "no user" when the login is unknown to every source.
  explicit SUM_OsUser(const char* login);
  SUM_OsUser(const SUM_OsUser& other) = default;
  SUM_OsUser& operator=(const SUM_OsUser& other) = default;
  virtual ~SUM_OsUser() = default;

  // `out` becomes the user `login`. A null login is an internal error (1072).
  static int construct_from_login(const char* login, SUM_OsUser& out);
  // `out` becomes the user named by `sid`: 0; 1002 when the record names no
  // user; 1001 for any other failure. `out` is untouched on failure.
  static int construct_from_user_sid(const sysutl_usid_t& sid, SUM_OsUser& out);
  // `out` becomes the user this process acts as: 0, or 1001 when no login
  // name can be found.
  static int current_user(SUM_OsUser& out);

  // The login name (empty for the null user). Returns 0.
  int login_name(char (&buf)[256]) const;
  // The user's full name from the system's user database: 0, or 1001 when it
  // has none. `buf` is untouched on failure.
  int full_name(char (&buf)[256]) const;
  // The user's identity record, looked up anew: 0; 1002 when the lookup
  // reports that no user exists (its result 2); 1001 for any other failure.
  int user_sid(sysutl_usid_t& sid) const;

  // Users are equal when their identities are, whatever the login texts.
  bool operator==(const SUM_OsUser& other) const;
  bool operator!=(const SUM_OsUser& other) const { return !(*this == other); }
  // 1 when the login is empty.
  int is_null() const;

 private:
  char login_[256];
  sysutl_usid_t sid_;
};

#endif  // SUM_SUM_OS_USER_H
