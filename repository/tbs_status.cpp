// Status texts and errno translation of the base services.
#include "services/tbs.h"

#include <cerrno>

const char* tbs_strerror(int status) {
  switch (status) {
    case TBS_ST_OK:
      return "success";
    case TBS_ST_ERROR:
      return "operation failed";
    case TBS_ST_NOT_FOUND:
      return "not found";
    case TBS_ST_EXISTS:
      return "already exists";
    case TBS_ST_BAD_ARGUMENT:
      return "bad argument";
    case TBS_ST_IO_ERROR:
      return "input/output error";
    case TBS_ST_BUSY:
      return "store busy";
    case TBS_ST_PARTIAL:
      return "operation partly done";
    case TBS_ST_LOCKED:
      return "object is locked";
    case TBS_ST_NO_PERMISSION:
      return "permission denied";
    case TBS_ST_UNCHANGED:
      return "value unchanged";
    case TBS_ST_NOT_DIRECTORY:
      return "not a directory";
    case TBS_ST_INTERNAL:
      return "internal error";
    case TBS_ST_CAS_MISMATCH:
      return "value changed by another process";
    default:
      return "unknown status";
  }
}

int tbs_errno2status(int err) {
  switch (err) {
    case 0:
      return TBS_ST_OK;
    case ENOENT:
      return TBS_ST_NOT_FOUND;
    case EACCES:
    case EPERM:
      return TBS_ST_NO_PERMISSION;
    case EEXIST:
      return TBS_ST_EXISTS;
    case ENOTDIR:
      return TBS_ST_NOT_DIRECTORY;
    default:
      return TBS_ST_IO_ERROR;
  }
}
