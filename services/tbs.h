// Base services: status codes and their texts, and the internal-error log.
//
// Every service call and every library operation returns an int status: 0 is
// success, anything else is one of the codes below (or another code of this
// space that a service documents). Statuses pass up unchanged unless a caller
// documents a translation.
#ifndef SERVICES_TBS_H
#define SERVICES_TBS_H

#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/tbs_catalogs.h"

// Status codes of the base services' code space.
enum tbs_status_code : int {
  TBS_ST_OK = 0,
  TBS_ST_ERROR = 1001,          // refused or failed after a message; object missing or wrong kind
  TBS_ST_NOT_FOUND = 1002,      // the looked-for item is not there
  TBS_ST_EXISTS = 1003,         // an object of that name already exists
  TBS_ST_BAD_ARGUMENT = 1004,   // malformed input named in the message printed with it
  TBS_ST_IO_ERROR = 1005,       // a file or database could not be read or written
  TBS_ST_BUSY = 1006,           // the store stayed busy beyond its timeout
  TBS_ST_PARTIAL = 1033,        // the main object was made but a follow-up record failed
  TBS_ST_LOCKED = 1040,         // the object or one it needs is locked
  TBS_ST_NO_PERMISSION = 1051,  // the current user may not perform the operation
  TBS_ST_UNCHANGED = 1067,      // the requested value equals the stored one
  TBS_ST_NOT_DIRECTORY = 1070,  // a directory element was required
  TBS_ST_INTERNAL = 1072,       // internal error; always preceded by an internal-error record
  TBS_ST_CAS_MISMATCH = 1087,   // compare-and-set found another value than expected
};

// The base services' own message catalog is `tbs_catalog`, its entries named
// by `tbs_msg` (generated from repository/tbs.msg).

// ---- identities -----------------------------------------------------------

// A 16-byte object identifier; all zero is the null oid.
struct tbs_oid_t {
  unsigned char bytes[16];
};
// A 16-byte UUID; all zero is the null UUID.
struct tbs_uuid_t {
  unsigned char bytes[16];
};
// A database identity of an object within one VOB; 0 names nothing.
using tbs_dbid_t = unsigned int;

// Text forms: 32 hexadecimal digits in the groups 8-4-4-4-12, joined by "."
// for oids ("3a1f0c2e.9b7d.4e21.a0c3.5d8e9f001122") and by "-" for UUIDs. The
// display form of an oid is the same digits joined by ":".
constexpr size_t TBS_ID_STR_SIZE = 37;  // 36 characters and the terminating zero
void tbs_oid_to_str(const tbs_oid_t* oid, char buf[TBS_ID_STR_SIZE]);
void tbs_oid_to_dstr(const tbs_oid_t* oid, char buf[TBS_ID_STR_SIZE]);
void tbs_uuid_to_str(const tbs_uuid_t* uuid, char buf[TBS_ID_STR_SIZE]);
// Parse either separator form ("." or "-" or ":"); 1004 for anything else.
int tbs_str_to_oid(const char* text, tbs_oid_t* oid);
int tbs_str_to_uuid(const char* text, tbs_uuid_t* uuid);
// The same 16 bytes under the other name.
void tbs_uuid_to_oid(const tbs_uuid_t* uuid, tbs_oid_t* oid);
void tbs_oid_to_uuid(const tbs_oid_t* oid, tbs_uuid_t* uuid);
bool tbs_oid_eq(const tbs_oid_t* a, const tbs_oid_t* b);
bool tbs_uuid_eq(const tbs_uuid_t* a, const tbs_uuid_t* b);
bool tbs_oid_is_null(const tbs_oid_t* oid);
bool tbs_uuid_is_null(const tbs_uuid_t* uuid);
// A 32-bit hash of an oid for hash tables.
unsigned int tbs_oid_to_hash32(const tbs_oid_t* oid);
// A fresh random (version 4) UUID from the system's random source.
void tbs_uuid_generate(tbs_uuid_t* uuid);

// Text for a status code, for messages: never null; unknown codes give
// "unknown status". The text is static.
const char* tbs_strerror(int status);

// Status for an errno value (0 for 0): ENOENT gives 1002, EACCES and EPERM
// 1051, EEXIST 1003, ENOTDIR 1070; any other value 1005.
int tbs_errno2status(int err);

// Appends one internal-error record to the log file under KORVANE_HOME and
// prints the catalog entry at error severity. `source_file` names the source
// of the operation (for example "sum_activity"), `message` the entry
// explaining the error (printed with the operation, the source and the line,
// as tbs_msg::InternalErrorLine is), `operation` the qualified operation
// name, `line` the source line and `extra` a value of the caller's choosing.
// Never fails as far as the caller is concerned: a log that cannot be written
// is reported on standard error and otherwise ignored.
void tbs_log_int_error(const char* source_file,
                       imsg_checked_id<const char*, const char*, int> message,
                       const char* operation, int line, int extra);

// One record of the internal-error log, as read back.
struct tbs_int_error_record {
  long time = 0;  // seconds since the epoch
  int pid = 0;
  std::string source_file;
  std::string catalog;  // catalog name, e.g. "tbs"
  int entry = 0;
  std::string operation;
  int line = 0;
  int extra = 0;
};

// Path of the internal-error log file: <KORVANE_HOME>/log/internal-errors.log.
std::string tbs_int_error_log_path();

// Reads every record of the internal-error log in the order written. A log
// that does not exist yet gives an empty list and status 0; an unreadable one
// gives 1005. Lines that are not records are skipped.
int tbs_read_int_error_log(std::vector<tbs_int_error_record>& records);

#endif  // SERVICES_TBS_H
