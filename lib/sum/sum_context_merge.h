// SUM_ContextMerge: after the files of a deliver or rebase are merged, the
// type managers that offer the "context_merge" operation are told which of
// their elements' versions the operation merged and which baselines it
// moved, so that they can bring files that depend on several others (a
// project file listing sources, say) in line. Each such manager gets one
// document, written to a temporary file whose name is its program's only
// argument:
//
//   <?xml version="1.0" ?>
//   <context_merge><op>rebase</op><file>FILE</file>...<rebase-info>
//   <component><comp>C</comp><old_found_bl>B1</old_found_bl>
//   <new_found_bl>B2</new_found_bl></component>...</rebase-info>
//   </context_merge>
//
// (one line, then a newline). FILE is the merged version's file in the
// target view; a deliver writes "deliver-info" with "source-bl" and
// "source-found-bl" for each component instead. A child whose object is
// null is left out. Selectors name the components and baselines.
#ifndef SUM_SUM_CONTEXT_MERGE_H
#define SUM_SUM_CONTEXT_MERGE_H

#include <string>
#include <utility>
#include <vector>

#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "sum/sum_lists.h"
#include "sum/sum_version.h"
#include "sum/sum_view.h"
#include "sum/xml_element.h"

class SUM_ContextMerge {
 public:
  // `op` is "deliver" or "rebase".
  explicit SUM_ContextMerge(const char* op);

  // The version joins the list of its element type's manager when that
  // manager offers "context_merge"; otherwise it is left out. 1001 after a
  // message when the manager cannot be found.
  int enter_version(const SUM_Version& version);
  int enter_versions(const SUM_VersionList& versions);
  // A delivered baseline and the source's foundation baseline of its
  // component when it was made (either may be null).
  int enter_deliver_baseline(const SUM_Component& component, const SUM_Baseline& delivered,
                             const SUM_Baseline& source_foundation);
  // A component a rebase moves from `old_found` to `new_found`; the list
  // form takes three lists of one length.
  int enter_rebase_baseline(const SUM_Component& component, const SUM_Baseline& old_found,
                            const SUM_Baseline& new_found);
  int enter_rebase_baselines(const SUM_ComponentList& components, const SUM_BaselineList& old_found,
                             const SUM_BaselineList& new_found);
  // The "deliver-info" or "rebase-info" element.
  int report_baselines(XML_Element& out) const;
  // The whole document for `versions`, files named in `view`.
  int document(const SUM_VersionList& versions, const SUM_View& view, SUM_String& out) const;

  // Calls every manager with versions (0 when there is none); 1001 after a
  // message when one fails.
  int invoke(const SUM_View& view);
  int invoke(const std::string& manager, const SUM_VersionList& versions, const SUM_View& view);

  // The manager of `element`'s type.
  static int eltype_get_mgr(const SUM_Element& element, std::string& manager);
  static int mgr_has_context_merge(const std::string& manager, int& has);
  // The versions entered for `manager`; null when none.
  const SUM_VersionList* mgr_get_ver_list(const std::string& manager) const;

 private:
  struct ComponentMove {
    SUM_Component component;
    SUM_Baseline first;   // deliver: the delivered baseline; rebase: the old foundation
    SUM_Baseline second;  // deliver: the source's foundation; rebase: the new foundation
  };

  std::string op_;
  std::vector<std::pair<std::string, SUM_VersionList>> lists_;
  std::vector<ComponentMove> moves_;
};

#endif  // SUM_SUM_CONTEXT_MERGE_H
