// SUM_Vob: VOBs in the registry — making, registering and removing them,
// their registry entries and storage — and the type objects a VOB defines.
// The set-up commands of the tools reach the repository through these.
#include <cstdint>
#include <string>
#include <vector>

#include "services/rgy.h"
#include "services/vob.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_vob.h"

namespace {

constexpr const char* kSource = "sum_vob_admin";

}  // namespace

int SUM_Vob::create(const vob_create_args_t& args, SUM_Vob& out) {
  SUM_Trace trace("SUM_Vob::create", 3);
  vob_vob_h made = nullptr;
  int status = vob_create(args, &made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Vob(made);
  return SUM_OK;
}

int SUM_Vob::register_storage(const char* storage_path, const char* tag, SUM_Vob& out) {
  SUM_Trace trace("SUM_Vob::register_storage", 3);
  if (storage_path == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vob_h registered = nullptr;
  int status = vob_register(storage_path, tag, &registered);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_Vob(registered);
  return SUM_OK;
}

int SUM_Vob::remove(const char* tag) {
  SUM_Trace trace("SUM_Vob::remove", 3);
  if (tag == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob_remove(tag));
}

int SUM_Vob::registry_entries(std::vector<rgy_vob_entry>& out) {
  SUM_Trace trace("SUM_Vob::registry_entries");
  char region[256];
  std::vector<rgy_vob_entry> entries;
  int status = rgy_get_default_region(region, sizeof region);
  if (status == 0)
    status = rgy_next_vob_entries(region, 0, SIZE_MAX, entries);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(entries);
  return SUM_OK;
}

int SUM_Vob::registry_entry(const char* tag, rgy_vob_entry& out) {
  SUM_Trace trace("SUM_Vob::registry_entry");
  if (tag == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  rgy_vob_entry entry;
  int status = rgy_lookup_vob_tag(tag, &entry);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = entry;
  return SUM_OK;
}

int SUM_Vob::storage_path(std::string& out) const {
  SUM_Trace trace("SUM_Vob::storage_path");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::string path;
  int status = vob_ob_get_storage_path(handle_, path);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = path;
  return SUM_OK;
}

int SUM_Vob::types(vob_mtype_t mtype, std::vector<tbs_dbid_t>& out) const {
  SUM_Trace trace("SUM_Vob::types");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  std::vector<tbs_dbid_t> found;
  int status = cmd_utl_get_types(handle_, mtype, found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out.swap(found);
  return SUM_OK;
}
