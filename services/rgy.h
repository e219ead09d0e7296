// The registry: regions, VOB tags and privileged users, kept in
// <KORVANE_HOME>/registry.db and shared by every process.
#ifndef SERVICES_RGY_H
#define SERVICES_RGY_H

#include <string>
#include <vector>

#include "services/tbs.h"

// Entry classes of the registry.
enum rgy_entry_class : int {
  RGY_CLASS_VOB_TAG = 3,
  RGY_CLASS_VIEW_TAG = 4,
};

// VOB kinds.
enum rgy_vob_kind : int {
  RGY_VOB_ORDINARY = 1,
  RGY_VOB_PROJECT = 2,
};

// One VOB tag of a region.
struct rgy_vob_entry {
  std::string tag;           // "/pvob"
  std::string region;        // "default"
  std::string storage_path;  // absolute directory holding vob.db
  tbs_uuid_t family_uuid{};
  tbs_uuid_t replica_uuid{};
  int kind = RGY_VOB_ORDINARY;
  int is_public = 1;
};

// The default region's name into `buf` ("default" unless KORVANE_REGION is set).
int rgy_get_default_region(char* buf, size_t size);

// The VOB tag entry for `tag` in the default region; 1002 when absent.
int rgy_lookup_vob_tag(const char* tag, rgy_vob_entry* entry);
// The entry whose replica UUID is `replica`; 1002 when absent.
int rgy_lookup_vob_replica(const tbs_uuid_t* replica, rgy_vob_entry* entry);
// Entries of `entry_class` (VOB tags) whose region matches `region_pattern`
// (a wildcard), sorted by tag, from position `offset`, at most `max`.
// `entries` is replaced; fewer than `max` means the walk is done.
int rgy_next_vob_entries(const char* region_pattern, size_t offset, size_t max,
                         std::vector<rgy_vob_entry>& entries);
// Adds a tag (1003 when the tag exists in the region) or removes one (1002
// when absent). Each is one transaction.
int rgy_add_vob_tag(const rgy_vob_entry& entry);
int rgy_remove_vob_tag(const char* tag);

// Privileged users: administrators listed in the registry.
int rgy_is_privileged_user(const char* login, int* privileged);
int rgy_add_privileged_user(const char* login);
int rgy_remove_privileged_user(const char* login);

#endif  // SERVICES_RGY_H
