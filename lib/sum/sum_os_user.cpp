// SUM_OsUser over the base services' user functions.
#include "sum/sum_os_user.h"

#include <cstdio>

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

// Copies `text` into `buf`, cut to fit and always terminated.
void copy_login(char (&buf)[256], const char* text) {
  std::snprintf(buf, sizeof buf, "%s", text != nullptr ? text : "");
}

// The user lookups answer 2 when a record names no user; callers of the
// library see that as "not there".
int user_lookup_status(int status) {
  if (status == 0)
    return SUM_OK;
  return status == 2 ? SUM_NOT_FOUND : SUM_FAILED;
}

}  // namespace

SUM_OsUser::SUM_OsUser() {
  login_[0] = '\0';
}

SUM_OsUser::SUM_OsUser(const char* login) {
  copy_login(login_, login);
  if (login_[0] != '\0' && sysutl_user_to_usid(login_, &sid_) != 0)
    sid_ = sysutl_usid_t();
}

int SUM_OsUser::construct_from_login(const char* login, SUM_OsUser& out) {
  SUM_Trace trace("SUM_OsUser::construct_from_login");
  if (login == nullptr)
    return sum_int_error("sum_os_user", trace.name(), __LINE__);
  out = SUM_OsUser(login);
  return SUM_OK;
}

int SUM_OsUser::construct_from_user_sid(const sysutl_usid_t& sid, SUM_OsUser& out) {
  SUM_Trace trace("SUM_OsUser::construct_from_user_sid");
  char login[256];
  int status = user_lookup_status(sysutl_usid_to_user(&sid, login, sizeof login));
  if (status != SUM_OK) {
    trace.status_line(__LINE__, status);
    return status;
  }
  copy_login(out.login_, login);
  out.sid_ = sid;
  return SUM_OK;
}

int SUM_OsUser::current_user(SUM_OsUser& out) {
  SUM_Trace trace("SUM_OsUser::current_user");
  char login[256];
  if (sysutl_myloginname(login, sizeof login) != 0 || login[0] == '\0') {
    trace.status_line(__LINE__, SUM_FAILED);
    return SUM_FAILED;
  }
  out = SUM_OsUser(login);
  return SUM_OK;
}

int SUM_OsUser::login_name(char (&buf)[256]) const {
  copy_login(buf, login_);
  return SUM_OK;
}

int SUM_OsUser::full_name(char (&buf)[256]) const {
  SUM_Trace trace("SUM_OsUser::full_name");
  char name[256];
  if (sysutl_user_to_fullname(login_, name, sizeof name) != 0) {
    trace.status_line(__LINE__, SUM_FAILED);
    return SUM_FAILED;
  }
  copy_login(buf, name);
  return SUM_OK;
}

int SUM_OsUser::user_sid(sysutl_usid_t& sid) const {
  SUM_Trace trace("SUM_OsUser::user_sid");
  sysutl_usid_t found;
  int status = user_lookup_status(sysutl_user_to_usid(login_, &found));
  if (status != SUM_OK) {
    trace.status_line(__LINE__, status);
    return status;
  }
  sid = found;
  return SUM_OK;
}

bool SUM_OsUser::operator==(const SUM_OsUser& other) const {
  return sid_.id == other.sid_.id;
}

int SUM_OsUser::is_null() const {
  return login_[0] == '\0' ? 1 : 0;
}
