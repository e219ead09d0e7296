// SUM_Folder: the handle of a folder of a PVOB. Folders form the tree that
// organises a PVOB's projects: every PVOB has one root folder (shown as
// "RootFolder", well-known object VOB_WK_ROOT_FOLDER); folders hold
// subfolders and projects.
//
// Storage forms (SUM_Vob::supports_fc_objs): in the first-class form a
// folder is an object of metatype 36 made and changed by the vob_zem_folder_*
// calls; in the activity-based form it is an activity-like object
// (metatype 28) of the PVOB's folder activity type, handled through
// SUM_ActivityBase. Every change fires the folder triggers (mkfolder 107,
// chfolder 108, rmfolder 109) and records its comment and that code.
//
// Contracts: value handle; a null handle records an internal error and
// returns 1072; out-parameters are filled only on success; a refusal prints
// its message and returns 1001; repository failures pass up.
#ifndef SUM_SUM_FOLDER_H
#define SUM_SUM_FOLDER_H

#include <cstddef>
#include <vector>

#include "services/vob.h"
#include "sum/sum_activity_base.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_string.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

class SUM_Project;

class SUM_Folder : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::FOLDER;
  // Operation codes recorded with folder changes.
  static constexpr int kOpCreate = 107;
  static constexpr int kOpChange = 108;
  static constexpr int kOpRemove = 109;

  class ChildIter;
  class SubfolderIter;
  class ProjectsInFolderIter;
  class ProjectTemplatesInFolderIter;

  SUM_Folder() = default;
  SUM_Folder(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}

  // The folder for the same object when it is one, else a null handle.
  static SUM_Folder convert(const SUM_VobObject& obj) { return sum_convert_as<SUM_Folder>(obj); }
  // The folder named by `text` ("folder:name@pvob", "name@pvob", or "name"
  // in `vob`); 1001 when it names another kind of object.
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob, SUM_Folder& out,
                                     int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }
  // The root folder of `pvob`.
  static int root_folder(const SUM_Vob& pvob, SUM_Folder& out);

  // Creates folder `name` in `parent` with `title` (null or "": none) and
  // `comment`. The name must pass sum_utl_is_ok_name and be unused among
  // the PVOB's folders (1001 after the message). A pre-operation trigger
  // refusal returns its status before anything is made.
  static int create(const char* name, const char* comment, const SUM_Folder& parent,
                    const char* title, SUM_Folder& out);
  // create with this folder as the parent.
  int create_subfolder(const char* name, const char* comment, const char* title,
                       SUM_Folder& out) const;

  // SUM_Project::create with this folder (body in sum_project.cpp).
  int create_project(const char* name, const char* comment, const char* title, int single_stream,
                     SUM_Project& out) const;

  // Renames the folder: the name must pass sum_utl_is_ok_name and be unused
  // among the PVOB's folders, else 1001 after the message.
  int set_name(const char* name, const char* comment) const;
  // The folder's title, or its name when no title is set.
  int title(SUM_String& title) const;
  // Stores the title (null: ""); unchanged titles write nothing.
  int set_title(const char* title, const char* comment) const;
  // The text users see for the folder: its title.
  int set_display_name(const char* name, const char* comment) const;

  // The folder holding this one; 1002 for the root folder.
  int parent_folder(SUM_Folder& parent) const;
  int is_root(int& result) const;
  int has_projects_or_subfolders(int& result) const;

  // New walks (owned by the caller) over the subfolders, the projects and
  // the project templates in this folder, in creation order. Null for a null
  // handle (after an internal error).
  SubfolderIter* subfolders() const;
  ProjectsInFolderIter* projects() const;
  ProjectTemplatesInFolderIter* project_templates() const;

  // Moves the folder into `new_parent` (same PVOB). Moving the root folder,
  // or a folder into itself or below itself, is refused (1001); a folder
  // already in `new_parent` stays (0).
  int change_parent(const SUM_Folder& new_parent, const char* comment) const;

  // Whether the folder may be removed; `ok` is 0 after the message when a
  // trigger type names it in its restriction list, when it holds projects
  // or subfolders, or when it is the root folder. Status 0 either way.
  int ok_to_destroy(int& ok) const;
  // Removes the folder (after ok_to_destroy; a refusal is 1001) and makes
  // this handle null.
  int destroy(const char* comment);
};

// The children of one kind placed in a folder. In the first-class form the
// repository lists each kind apart (`fc_fetch`); in the activity-based form
// every child is listed and those whose type is the well-known `kind` are
// kept.
class SUM_Folder::ChildIter : public SUM_DbidChunkIter {
 public:
  using FcFetch = int (*)(vob_vob_h, tbs_dbid_t, size_t, size_t, std::vector<tbs_dbid_t>&);

 protected:
  ChildIter(const SUM_Folder& folder, FcFetch fc_fetch, vob_wkobj_t kind);
  int fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) override;
  int accept(tbs_dbid_t dbid, int& yes) override;

 private:
  tbs_dbid_t folder_;
  FcFetch fc_fetch_;
  vob_wkobj_t kind_;
  tbs_dbid_t kind_type_ = 0;  // activity-based form: the accepted type, 0 until looked up
};

// The subfolders of a folder.
class SUM_Folder::SubfolderIter : public ChildIter {
 public:
  explicit SubfolderIter(const SUM_Folder& folder);
  // The current subfolder; 1072 when the walk is done.
  int current_item(SUM_Folder& item) const;
};

// The projects of a folder. Items are plain object handles: the project
// layer sits above folders, so callers turn them into projects with
// SUM_Project::convert.
class SUM_Folder::ProjectsInFolderIter : public ChildIter {
 public:
  explicit ProjectsInFolderIter(const SUM_Folder& folder);
  // The current project; 1072 when the walk is done.
  int current_item(SUM_VobObject& item) const;
};

// The projects of a folder that are the PVOB's project template: in the
// first-class form the project named by the template holder's
// "SUM_TEMPLATE_PROJECT" variable when it lies in this folder; in the
// activity-based form every project placed in the template holder (which
// is itself of the folder type). Items as in ProjectsInFolderIter.
class SUM_Folder::ProjectTemplatesInFolderIter : public ProjectsInFolderIter {
 public:
  explicit ProjectTemplatesInFolderIter(const SUM_Folder& folder);

 protected:
  int accept(tbs_dbid_t dbid, int& yes) override;

 private:
  bool template_known_ = false;  // template_ looked up
  tbs_dbid_t template_ = 0;      // first-class form: the template project, 0 none
};

// Renames the folder named by `selector` (which names its PVOB) to `name`,
// as SUM_Folder::set_name. A selector that names no folder passes the
// lookup's status up.
int sum_folder_set_name(const char* selector, const char* name, const char* comment);

#endif  // SUM_SUM_FOLDER_H
