// Type managers: the manager of each element type and the programs that
// carry a manager's further operations.
#include "services/tbs_mgr.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "services/sysutl.h"
#include "services/tbs.h"
#include "services/vob_elem.h"

namespace {

bool valid_name(const char* name) {
  return name != nullptr && *name != '\0' && std::strchr(name, '/') == nullptr &&
         std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

std::string program_path(const char* manager, const char* operation) {
  const char* dir = std::getenv("KORVANE_MGR_DIR");
  std::string root =
      dir != nullptr && *dir != '\0' ? std::string(dir) : sysutl_korvane_home() + "/mgrs";
  return root + "/" + manager + "/" + operation;
}

}  // namespace

int tbs_eltype_get_mgr(int eltype, std::string& manager) {
  switch (eltype) {
    case VOB_ELTYPE_FILE:
      manager = "text_file_delta";
      return TBS_ST_OK;
    case VOB_ELTYPE_FILE_NEVER_MERGE:
      manager = "binary_delta";
      return TBS_ST_OK;
    case VOB_ELTYPE_DIRECTORY:
      manager = "directory";
      return TBS_ST_OK;
    default:
      return TBS_ST_BAD_ARGUMENT;
  }
}

int tbs_mgr_is_supported_op(const char* manager, const char* operation, int* supported) {
  if (!valid_name(manager) || !valid_name(operation) || supported == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *supported = ::access(program_path(manager, operation).c_str(), X_OK) == 0 ? 1 : 0;
  return TBS_ST_OK;
}

int tbs_mgr_invoke_op(const char* manager, const char* operation,
                      const std::vector<std::string>& args, int* result) {
  int supported = 0;
  int status = tbs_mgr_is_supported_op(manager, operation, &supported);
  if (status != 0 || result == nullptr)
    return status != 0 ? status : TBS_ST_BAD_ARGUMENT;
  if (!supported)
    return TBS_ST_NOT_FOUND;
  std::string program = program_path(manager, operation);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t child = ::fork();
  if (child < 0)
    return tbs_errno2status(errno);
  if (child == 0) {
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int wait_status = 0;
  while (::waitpid(child, &wait_status, 0) < 0) {
    if (errno != EINTR)
      return tbs_errno2status(errno);
  }
  *result = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
  return TBS_ST_OK;
}
