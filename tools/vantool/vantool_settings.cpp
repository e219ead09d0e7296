// Options that name policies and components.
#include "vantool_settings.h"

#include <string>
#include <vector>

#include "services/imsg.h"
#include "sum/sum_baseline.h"
#include "sum/sum_component.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_text.h"

namespace vantool {

namespace {

// The words of the values of `option`, split at commas and blanks.
std::vector<std::string> option_words(const ParsedArgs& args, const char* option) {
  std::vector<std::string> out;
  for (std::string value : args.values(option)) {
    for (char& c : value)
      if (c == ' ' || c == '\t')
        c = ',';
    for (const std::string& word : split_commas(value))
      out.push_back(word);
  }
  return out;
}

}  // namespace

SUM_StringList policy_keys(const ParsedArgs& args, const char* option) {
  SUM_StringList keys;
  for (const std::string& word : option_words(args, option)) {
    std::string key = word;
    for (int id = 0; id < SUM_Policy::NONE; ++id)
      if (word == SUM_Policy(id).name())
        key = SUM_Policy(id).pvar_name();
    keys.append(key.c_str());
  }
  return keys;
}

int apply_policy_options(const ParsedArgs& args, int level, bool by_stream, SUM_PolicyList& list) {
  struct Pass {
    const char* option;
    int (*apply)(SUM_PolicyList&, int, const char* const[], int);
  };
  const Pass passes[] = {{"policy", &SUM_Policy::enable_policies},
                         {"npolicy", &SUM_Policy::disable_policies},
                         {"spolicy", &SUM_Policy::enable_bystr_policies}};
  int changed = 0;
  for (const Pass& pass : passes) {
    if (!by_stream && std::string(pass.option) == "spolicy")
      continue;
    SUM_StringList keys = policy_keys(args, pass.option);
    if (keys.count() == 0)
      continue;
    std::vector<const char*> array;
    for (unsigned i = 0; i < keys.count(); ++i)
      array.push_back(keys[i]);
    int status = pass.apply(list, static_cast<int>(array.size()), array.data(), level);
    if (status == 0)
      changed = 1;
    else if (status != TBS_ST_UNCHANGED)
      return status;
  }
  return changed ? 0 : TBS_ST_UNCHANGED;
}

bool component_options(const ParsedArgs& args, const char* option, const SUM_Vob& pvob,
                       SUM_ComponentList& out) {
  SUM_ComponentList found;
  for (const std::string& value : args.values(option))
    for (const std::string& text : split_commas(value)) {
      SUM_Component component;
      if (SUM_Component::construct_from_selector(text.c_str(), pvob, component) != 0) {
        imsg_print(IMSG_ERROR, vantool_msg::NotAComponent, text.c_str());
        return false;
      }
      found.append(component);
    }
  out = found;
  return true;
}

bool baseline_options(const ParsedArgs& args, const char* option, const SUM_Vob& pvob,
                      SUM_BaselineList& out) {
  for (const std::string& text : option_words(args, option)) {
    SUM_Baseline baseline;
    if (SUM_Baseline::construct_from_selector(text.c_str(), pvob, baseline) != 0) {
      imsg_print(IMSG_ERROR, vantool_msg::NotABaseline, text.c_str());
      return false;
    }
    out.append(baseline);
  }
  return true;
}

}  // namespace vantool
