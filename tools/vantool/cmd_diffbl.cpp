// vantool diffbl: what differs between two configurations, each a baseline or
// a stream (its current configuration): the activities with their headlines,
// their versions, and the member baselines of composites.
//
// Each line starts with where the difference lies: "<<" the first side only,
// ">>" the second side only, "<>" both sides at different counts (the
// activity changed further on one side).
#include <string>

#include "services/imsg.h"
#include "sum/sum_activity.h"
#include "sum/sum_baseline.h"
#include "sum/sum_baseline_diff.h"
#include "sum/sum_baseline_diff2.h"
#include "sum/sum_component.h"
#include "sum/sum_stream.h"
#include "sum/sum_version.h"
#include "vantool/vantool_catalogs.h"
#include "vantool_activity.h"
#include "vantool_command.h"
#include "vantool_json.h"
#include "vantool_open.h"
#include "vantool_text.h"

namespace vantool {

namespace {

// One operand: a baseline, or a stream standing for its current
// configuration.
struct Side {
  SUM_Baseline baseline;
  SUM_Stream stream;
  std::string label;
  const char* kind() const { return baseline.is_null() ? "stream" : "baseline"; }
};

bool starts_with(const std::string& text, const char* prefix) {
  return text.compare(0, std::string(prefix).size(), prefix) == 0;
}

// Opens `text` as a baseline or a stream ("baseline:" or "stream:" decides;
// a bare name is a baseline when one has it, else a stream).
bool open_side(const std::string& text, Side& side) {
  bool found = false;
  if (starts_with(text, "stream:"))
    found = SUM_Stream::construct_from_selector(text.c_str(), SUM_Vob(), side.stream) == 0;
  else if (SUM_Baseline::construct_from_selector(text.c_str(), SUM_Vob(), side.baseline) == 0)
    found = true;
  else if (!starts_with(text, "baseline:"))
    found = SUM_Stream::construct_from_selector(("stream:" + text).c_str(), SUM_Vob(),
                                                side.stream) == 0;
  if (!found) {
    imsg_print(IMSG_ERROR, vantool_msg::NotABaselineOrStream, text.c_str());
    return false;
  }
  side.label = side.baseline.is_null() ? label_of(side.stream) : label_of(side.baseline);
  return true;
}

// The baseline -predecessor or -first compares `side` with.
bool implied_other_side(const ParsedArgs& args, const Side& side, Side& other) {
  if (side.baseline.is_null()) {
    imsg_print(IMSG_ERROR, vantool_msg::ImpliedSideNeedsBaseline, side.label.c_str());
    return false;
  }
  SUM_Component component;
  int status = 0;
  if (args.has("first")) {
    status = side.baseline.component(component);
    if (status == 0)
      status = component.initial_baseline(other.baseline);
  } else {
    status = side.baseline.nearest_predecessor(other.baseline);
  }
  if (status != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::NoBaselineToCompareWith, side.label.c_str());
    return false;
  }
  other.label = label_of(other.baseline);
  return true;
}

// A side as the comparison takes it: one baseline, or a stream.
SUM_BaselineVRList as_list(const Side& side) {
  SUM_BaselineVRList list;
  if (!side.baseline.is_null())
    list.append(SUM_BaselineVR(side.baseline));
  return list;
}

// Both sides closed and paired by component. Two baselines must be of one
// component; a stream compared with a baseline counts only for the
// components of the baseline's closure.
int construct(const Side& first, const Side& second, BaselineDiff2& out) {
  if (!first.stream.is_null() && !second.stream.is_null())
    return BaselineDiff2::construct(first.stream, second.stream, out);
  if (!first.stream.is_null())
    return BaselineDiff2::construct(first.stream, as_list(second), out);
  if (!second.stream.is_null())
    return BaselineDiff2::construct(as_list(first), second.stream, out);
  return BaselineDiff2::construct(first.baseline, second.baseline, out);
}

const char* marker(vob_diffchkpnt_kind_t kind) {
  switch (kind) {
    case VOB_DIFFCHKPNT_FIRST_ONLY:
      return "<<";
    case VOB_DIFFCHKPNT_SECOND_ONLY:
      return ">>";
    default:
      return "<>";
  }
}

const char* side_word(vob_diffchkpnt_kind_t kind) {
  switch (kind) {
    case VOB_DIFFCHKPNT_FIRST_ONLY:
      return "first";
    case VOB_DIFFCHKPNT_SECOND_ONLY:
      return "second";
    default:
      return "both";
  }
}

// The versions a difference stands for, as "/vob/dir/file@@/main/dev/2"
// through a view of the activity's stream where there is one.
bool version_names(const BaselineDiff& diff, std::vector<std::string>& out) {
  SUM_VersionList versions;
  if (diff.versions(versions) != 0)
    return false;
  SUM_View resolver;
  if (versions.count() > 0 && diff.activity().name_resolver_view(resolver) != 0)
    resolver = SUM_View();
  for (unsigned i = 0; i < versions.count(); ++i)
    out.push_back(shown_version(versions[i], resolver));
  return true;
}

void write_count(JsonWriter& json, const char* key, unsigned count) {
  json.key(key);
  if (count == BaselineDiff::kNoCount)
    json.value(-1L);
  else
    json.value(static_cast<long>(count));
}

// Prints (or adds to `json`) the differing activities, with their versions
// when `with_versions`.
bool report_activities(const BaselineDiffList& diffs, bool with_versions, bool as_json,
                       JsonWriter& json) {
  if (as_json)
    json.key("activities").begin_array();
  for (unsigned i = 0; i < diffs.count(); ++i) {
    const BaselineDiff& diff = diffs[i];
    SUM_String headline;
    std::vector<std::string> versions;
    if (diff.activity().title(headline) != 0 || (with_versions && !version_names(diff, versions))) {
      imsg_print(IMSG_ERROR, vantool_msg::UnableReadDifference, label_of(diff.activity()).c_str());
      return false;
    }
    if (as_json) {
      json.begin_object()
          .key("activity")
          .value(label_of(diff.activity()))
          .key("headline")
          .value(text_of(headline))
          .key("side")
          .value(side_word(diff.kind()));
      write_count(json, "first_count", diff.first_count());
      write_count(json, "second_count", diff.second_count());
      if (with_versions) {
        json.key("versions").begin_array();
        for (const std::string& v : versions)
          json.value(v);
        json.end_array();
      }
      json.end_object();
      continue;
    }
    imsg_print_literal(IMSG_INFO, "%s %s \"%s\"\n", marker(diff.kind()),
                       label_of(diff.activity()).c_str(), text_of(headline).c_str());
    for (const std::string& v : versions)
      imsg_print_literal(IMSG_INFO, "     %s\n", v.c_str());
  }
  if (as_json)
    json.end_array();
  return true;
}

// Prints (or adds to `json`) the member baselines that differ, composite by
// composite, counting them in `reported`.
bool report_members(const BaselineDiff2& diff, bool as_json, JsonWriter& json, unsigned& reported) {
  if (as_json)
    json.key("baselines").begin_array();
  for (unsigned c = 0; c < diff.comp_diffs().count(); ++c) {
    const CompDiff& comp = diff.comp_diffs()[c];
    if (!comp.has_first() || !comp.has_second())
      continue;
    DependentDiffList members;
    if (diff.baseline_diffs(comp.component(), members) != 0)
      return false;
    reported += members.count();
    for (unsigned m = 0; m < members.count(); ++m) {
      SUM_Baseline a, b;
      members[m].baselines(a, b);
      std::string first = a.is_null() ? "" : label_of(a);
      std::string second = b.is_null() ? "" : label_of(b);
      const char* mark = a.is_null() ? ">>" : b.is_null() ? "<<" : "<>";
      if (as_json) {
        json.begin_object()
            .key("composite")
            .value(label_of(comp.component()))
            .key("component")
            .value(label_of(members[m].component()))
            .key("first")
            .value(first)
            .key("second")
            .value(second)
            .end_object();
        continue;
      }
      imsg_print_literal(
          IMSG_INFO, "%s %s: %s -> %s (member of %s)\n", mark,
          label_of(members[m].component()).c_str(), first.empty() ? "(none)" : first.c_str(),
          second.empty() ? "(none)" : second.c_str(), label_of(comp.component()).c_str());
    }
  }
  if (as_json)
    json.end_array();
  return true;
}

int run_diffbl(const ParsedArgs& args) {
  const std::vector<std::string>& operands = args.operands();
  bool implied = args.has("first") || args.has("predecessor");
  const Command& self = *find_command("diffbl");
  if (implied && operands.size() != 1)
    return usage_error(self, imsg_format(vantool_msg::ImpliedSideTakesOneOperand));
  if (!implied && operands.size() != 2)
    return usage_error(self, imsg_format(vantool_msg::DiffblNeedsTwoOperands));
  Side first, second;
  if (!open_side(operands[0], first))
    return kExitFailure;
  if (implied) {
    // The older configuration comes first, as when both are named.
    second = first;
    if (!implied_other_side(args, second, first))
      return kExitFailure;
  } else if (!open_side(operands[1], second)) {
    return kExitFailure;
  }
  BaselineDiff2 diff;
  BaselineDiffList activities;
  if (construct(first, second, diff) != 0 ||
      diff.activity_diffs(SUM_Component(), nullptr, activities) != 0) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCompareConfigurations, first.label.c_str(),
               second.label.c_str());
    return kExitFailure;
  }
  const bool as_json = args.has("json");
  const bool members = args.has("baselines");
  JsonWriter json;
  if (as_json)
    json.begin_object().key("first").value(first.label).key("second").value(second.label);
  else
    imsg_print(IMSG_INFO, vantool_msg::ComparingSides, first.kind(), first.label.c_str(),
               second.kind(), second.label.c_str());
  unsigned reported = members ? 0 : activities.count();
  bool ok = members ? report_members(diff, as_json, json, reported)
                    : report_activities(activities, args.has("versions"), as_json, json);
  if (!ok) {
    imsg_print(IMSG_ERROR, vantool_msg::UnableCompareConfigurations, first.label.c_str(),
               second.label.c_str());
    return kExitFailure;
  }
  if (as_json)
    imsg_print_literal(IMSG_INFO, "%s", json.end_object().str().c_str());
  else if (reported == 0)
    imsg_print(IMSG_INFO, vantool_msg::NoDifferences);
  return kExitOk;
}

}  // namespace

void register_diffbl_commands(std::vector<Command>& table) {
  Command diff;
  diff.name = "diffbl";
  diff.synopsis =
      "diffbl [-activities|-versions|-baselines] [-json] BASELINE|STREAM BASELINE|STREAM | "
      "diffbl -predecessor|-first [-activities|-versions|-baselines] [-json] BASELINE";
  diff.summary =
      "Compare two configurations (baselines, or streams as they are now): the activities that "
      "differ, their versions, or the member baselines of composites; -predecessor and -first "
      "compare a baseline with the one before it or with its component's initial baseline.";
  diff.options = {{"activities", false, "", false},  {"versions", false, "", false},
                  {"baselines", false, "", false},   {"json", false, "", false},
                  {"predecessor", false, "", false}, {"first", false, "", false}};
  diff.exclusive = {{"activities", "versions"},
                    {"activities", "baselines"},
                    {"versions", "baselines"},
                    {"predecessor", "first"}};
  diff.min_operands = 1;
  diff.max_operands = 2;
  diff.operand_name = "a BASELINE or STREAM";
  diff.run = run_diffbl;
  table.push_back(diff);
}

}  // namespace vantool
