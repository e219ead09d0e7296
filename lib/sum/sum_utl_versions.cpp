// Sorting versions for merge and version-control passes.
#include "sum/sum_utl_versions.h"

#include "services/vob_elem.h"
#include "sum/sum_version.h"

void sum_utl_sort_versions_by_mtype(const SUM_VersionList& versions,
                                    std::vector<fcset_key_t>& files, std::vector<fcset_key_t>& dirs,
                                    int& unreadable) {
  files.reserve(files.size() + versions.count());
  dirs.reserve(dirs.size() + versions.count());
  for (unsigned i = 0; i < versions.count(); ++i) {
    fcset_key_t key;
    key.vob = versions[i].vob().handle();
    key.version = versions[i].dbid();
    vob_ver_details_t details;
    if (vob_ver_get_details(key.vob, key.version, &details) != 0) {
      ++unreadable;
      continue;
    }
    key.element = details.element;
    key.mtype = details.is_dir ? VOB_MTYPE_DIRECTORY_ELEMENT : VOB_MTYPE_FILE_ELEMENT;
    (details.is_dir ? dirs : files).push_back(key);
  }
}
