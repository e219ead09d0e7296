// Operation callbacks: what invoke stores, passes, answers and clears.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sum/sum_callbacks.h"
#include "sum/sum_string.h"

namespace {

// What a callback function saw while it ran; `cd` of every callback in
// these tests points at one.
struct Seen {
  int calls = 0;
  int answer = 0;  // what the function answers
  std::vector<const void*> pointers;
  std::vector<unsigned> values;
  std::string text;
  const void* cd = nullptr;
};

// Stand-ins for operation data: only their addresses are passed around.
alignas(8) char activities_data[8];
alignas(8) char component_data[8];
alignas(8) char baseline_data[2][8];
alignas(8) char element_data[8];
alignas(8) char view_data[8];
alignas(8) char project_data[8];
alignas(8) char change_data[8];
alignas(8) char key_data[2][8];
alignas(8) char login_data[8];

template <typename T>
const T* as(char* data) {
  return reinterpret_cast<const T*>(data);
}

template <typename CB>
Seen& seen_of(const CB& cb) {
  return *static_cast<Seen*>(cb.cd);
}

TEST(Callbacks, WithoutAFunctionNothingHappens) {
  SUM_ActivityListCB activities;
  EXPECT_EQ(activities.invoke(as<SUM_ActivityList>(activities_data)), 0);
  EXPECT_EQ(activities.activities, nullptr);
  SUM_ElementCB element;
  EXPECT_EQ(element.invoke(as<SUM_Element>(element_data), 5, 6), 0);
  EXPECT_EQ(element.element, nullptr);
  EXPECT_EQ(element.value1, 0u) << "nothing is stored without a function";
  ConfigChangeCB change;
  EXPECT_EQ(change.invoke(as<SUM_FoundationChange>(change_data)), 0);
  EXPECT_EQ(change.change, nullptr);
  LabelBaselinesCb label;
  EXPECT_EQ(label.invoke(as<SUM_Baseline>(baseline_data[0]), 3, LabelBaselinesCb::FAILED, 4), 0);
  EXPECT_EQ(label.number, 0);
  EXPECT_EQ(label.status, LabelBaselinesCb::STARTED);
  SUM_ProgressCB progress;
  EXPECT_EQ(progress.invoke(SUM_ProgressCB::PREPARE_BASELINE, 1, 2), 0);
  EXPECT_EQ(progress.operation, SUM_ProgressCB::NONE);
  EXPECT_EQ(progress.count, 0);
  SUM_TKLoginCB login;
  EXPECT_EQ(login.invoke(reinterpret_cast<SUM_Project*>(project_data), nullptr,
                         *reinterpret_cast<SUM_BreltLoginInfo*>(login_data)),
            0);
  EXPECT_EQ(login.project, nullptr);
  ViewUpdateCB update;
  EXPECT_EQ(update.invoke(as<SUM_View>(view_data)), 0);

  SUM_ActionCB action;
  EXPECT_EQ(action.invoke("Merging files..."), 0);
  EXPECT_STREQ(action.action, "Merging files...") << "the action text is kept anyway";
}

TEST(Callbacks, FunctionsSeeTheArgumentsAndPointersAreClearedAfterwards) {
  Seen seen;
  seen.answer = 7;

  SUM_ElementCB element(
      [](const SUM_ElementCB& cb, int& answer) {
        Seen& s = seen_of(cb);
        s.calls++;
        s.pointers = {cb.element};
        s.values = {cb.value1, cb.value2};
        EXPECT_EQ(answer, 0) << "the answer starts at 0";
        answer = s.answer;
      },
      &seen);
  EXPECT_EQ(element.invoke(as<SUM_Element>(element_data), 11, 12), 7);
  EXPECT_EQ(seen.pointers, std::vector<const void*>{element_data});
  EXPECT_EQ(seen.values, (std::vector<unsigned>{11, 12}));
  EXPECT_EQ(element.element, nullptr);
  EXPECT_EQ(element.value2, 12u) << "plain values stay";

  MakeBaselinesCb make(
      [](const MakeBaselinesCb& cb, int& answer) {
        seen_of(cb).pointers = {cb.component, cb.baseline};
        seen_of(cb).values = {static_cast<unsigned>(cb.status), cb.value};
        answer = 1;
      },
      &seen);
  EXPECT_EQ(make.invoke(as<SUM_Component>(component_data), as<SUM_Baseline>(baseline_data[0]),
                        MakeBaselinesCb::SUCCEEDED, 40),
            1);
  EXPECT_EQ(seen.pointers, (std::vector<const void*>{component_data, baseline_data[0]}));
  EXPECT_EQ(seen.values, (std::vector<unsigned>{MakeBaselinesCb::SUCCEEDED, 40}));
  EXPECT_EQ(make.component, nullptr);
  EXPECT_EQ(make.baseline, nullptr);

  DiffBaselinesCb diff(
      [](const DiffBaselinesCb& cb, int&) {
        seen_of(cb).pointers = {cb.baseline1, cb.baseline2};
      },
      &seen);
  EXPECT_EQ(diff.invoke(as<SUM_Baseline>(baseline_data[0]), as<SUM_Baseline>(baseline_data[1]), 50),
            0)
      << "a function that sets nothing answers 0";
  EXPECT_EQ(seen.pointers, (std::vector<const void*>{baseline_data[0], baseline_data[1]}));
  EXPECT_EQ(diff.baseline1, nullptr);
  EXPECT_EQ(diff.baseline2, nullptr);

  SUM_SortedVersionListCB sorted(
      [](const SUM_SortedVersionListCB& cb, int& answer) {
        seen_of(cb).pointers = {cb.keys1, cb.keys2};
        answer = static_cast<int>(cb.value1 + cb.value2);
      },
      &seen);
  EXPECT_EQ(sorted.invoke(reinterpret_cast<fcset_key_t*>(key_data[0]), 3,
                          reinterpret_cast<fcset_key_t*>(key_data[1]), 4),
            7);
  EXPECT_EQ(seen.pointers, (std::vector<const void*>{key_data[0], key_data[1]}));
  EXPECT_EQ(sorted.keys1, nullptr);
  EXPECT_EQ(sorted.keys2, nullptr);

  SUM_ActivityListCB activities(
      [](const SUM_ActivityListCB& cb, int& answer) { answer = cb.activities != nullptr; }, &seen);
  EXPECT_EQ(activities.invoke(as<SUM_ActivityList>(activities_data)), 1);
  EXPECT_EQ(activities.activities, nullptr);

  SUM_ComponentCB component(
      [](const SUM_ComponentCB& cb, int& answer) { answer = cb.component != nullptr; }, &seen);
  EXPECT_EQ(component.invoke(as<SUM_Component>(component_data)), 1);
  EXPECT_EQ(component.component, nullptr);

  LabelBaselinesCb label([](const LabelBaselinesCb& cb, int& answer) { answer = cb.number; },
                         &seen);
  EXPECT_EQ(label.invoke(as<SUM_Baseline>(baseline_data[1]), 9, LabelBaselinesCb::SKIPPED, 1), 9);
  EXPECT_EQ(label.baseline, nullptr);
  EXPECT_EQ(label.status, LabelBaselinesCb::SKIPPED);
}

TEST(Callbacks, ResultFunctionsAndTheFoundationChangeStays) {
  Seen seen;
  ConfigChangeCB change([](const ConfigChangeCB& cb) { return cb.change != nullptr ? 3 : -1; },
                        &seen);
  EXPECT_EQ(change.invoke(as<SUM_FoundationChange>(change_data)), 3);
  EXPECT_EQ(static_cast<const void*>(change.change), change_data) << "left in the object";

  ViewReloadCB reload([](const ViewReloadCB& cb) { return cb.view != nullptr ? 1 : 0; }, &seen);
  EXPECT_EQ(reload.invoke(as<SUM_View>(view_data)), 1);
  EXPECT_EQ(reload.view, nullptr);
  ViewUpdateCB update([](const ViewUpdateCB& cb) { return cb.view != nullptr ? 2 : 0; }, &seen);
  EXPECT_EQ(update.invoke(as<SUM_View>(view_data)), 2);
  EXPECT_EQ(update.view, nullptr);

  SUM_ActionCB action(
      [](const SUM_ActionCB& cb) {
        seen_of(cb).text = static_cast<const char*>(cb.action);
        return 1;
      },
      &seen);
  EXPECT_EQ(action.invoke("Creating integration activity..."), 1);
  EXPECT_EQ(seen.text, "Creating integration activity...");

  SUM_TKLoginCB login(
      [](SUM_TKLoginCB& cb, SUM_BreltLoginInfo& info, int& answer) {
        Seen& s = seen_of(cb);
        s.pointers = {cb.project, cb.text, &info};
        *cb.text = "filled by the client";
        answer = 4;
      },
      &seen);
  SUM_String text;
  EXPECT_EQ(login.invoke(reinterpret_cast<SUM_Project*>(project_data), &text,
                         *reinterpret_cast<SUM_BreltLoginInfo*>(login_data)),
            4);
  EXPECT_EQ(seen.pointers, (std::vector<const void*>{project_data, &text, login_data}));
  EXPECT_STREQ(text, "filled by the client");
  EXPECT_EQ(login.project, nullptr);
  EXPECT_EQ(login.text, nullptr);
}

TEST(Callbacks, CopiesCarryFunctionDataAndFields) {
  Seen seen;
  SUM_ElementCB original([](const SUM_ElementCB&, int& answer) { answer = 5; }, &seen);
  original.value1 = 8;
  SUM_ElementCB copy(original);
  EXPECT_EQ(copy.cd, &seen);
  EXPECT_EQ(copy.value1, 8u);
  EXPECT_EQ(copy.invoke(nullptr, 0, 0), 5);
  SUM_ElementCB assigned;
  assigned = original;
  EXPECT_TRUE(assigned.f == original.f);
}

// Records each progress report's fields and message.
struct Report {
  int operation;
  int number;
  int count;
  std::string message;
};

void record_progress(const SUM_ProgressCB& cb, int& answer) {
  auto& reports = *static_cast<std::vector<Report>*>(cb.cd);
  ASSERT_NE(cb.message, nullptr) << "the message exists while the function runs";
  reports.push_back({cb.operation, cb.number, cb.count, static_cast<const char*>(*cb.message)});
  answer = cb.operation == SUM_ProgressCB::CHECK_TARSEN_ACTIVITY ? 1 : 0;
}

TEST(ProgressCallback, MessagesComeFromTheCatalog) {
  std::vector<Report> reports;
  SUM_ProgressCB progress(record_progress, &reports);
  EXPECT_EQ(progress.invoke(SUM_ProgressCB::PHASE_BEGIN, 4, 5), 0);
  EXPECT_EQ(progress.invoke(SUM_ProgressCB::PREPARE_COMPONENT, 2, 7), 0);
  EXPECT_EQ(progress.invoke(SUM_ProgressCB::COMPARE_BASELINE, 3, 9), 0);
  EXPECT_EQ(progress.invoke(SUM_ProgressCB::SEARCH_DEPENDENT_ACTIVITIES, 123, 456), 0);
  EXPECT_EQ(progress.invoke(SUM_ProgressCB::CHECK_TARSEN_ACTIVITY, 1, 1), 1);
  EXPECT_EQ(progress.invoke(SUM_ProgressCB::PHASE_END, 0, 0), 0);
  EXPECT_EQ(progress.message, nullptr) << "the message is gone after the call";
  EXPECT_EQ(progress.number, 0);

  ASSERT_EQ(reports.size(), 6u);
  EXPECT_EQ(reports[0].message, "");
  EXPECT_EQ(reports[0].number, 4);
  EXPECT_EQ(reports[0].count, 5);
  EXPECT_EQ(reports[1].message, "Preparing component 2 of 7.\n");
  EXPECT_EQ(reports[2].message, "Comparing baseline 3 of 9.\n");
  EXPECT_EQ(reports[3].message, "Searching for dependent activities.\n");
  EXPECT_EQ(reports[4].message, "Checking Tarsen activity 1 of 1.\n");
  EXPECT_EQ(reports[5].operation, SUM_ProgressCB::PHASE_END);
  EXPECT_EQ(reports[5].message, "");
}

TEST(ProgressCallback, CopiesShareNoMessage) {
  static SUM_ProgressCB copied;
  SUM_ProgressCB progress([](const SUM_ProgressCB& cb, int&) { copied = cb; }, nullptr);
  progress.invoke(SUM_ProgressCB::PREPARE_BASELINE, 1, 2);
  EXPECT_EQ(copied.message, nullptr);
  EXPECT_EQ(copied.operation, SUM_ProgressCB::PREPARE_BASELINE);
  EXPECT_EQ(copied.count, 2);
}

TEST(VerctlRecord, ZeroedAndCopiedWhole) {
  SUM_VerctlCB record;
  for (std::uint64_t word : record.words)
    EXPECT_EQ(word, 0u);
  std::memset(record.words, 0xab, sizeof record.words);
  SUM_VerctlCB copy(record);
  EXPECT_EQ(std::memcmp(copy.words, record.words, sizeof record.words), 0);
  SUM_VerctlCB assigned;
  assigned = record;
  EXPECT_EQ(std::memcmp(assigned.words, record.words, sizeof record.words), 0);
}

TEST(CallbackBundles, StartEmptyAndCopyWhole) {
  SUM_DeliverCB deliver;
  EXPECT_EQ(deliver.progress.invoke(SUM_ProgressCB::PHASE_BEGIN, 0, 0), 0);
  EXPECT_EQ(deliver.activities.f, nullptr);
  EXPECT_EQ(deliver.verctl.words[9], 0u);

  Seen seen;
  SUM_RebaseCB rebase;
  rebase.view_update = ViewUpdateCB([](const ViewUpdateCB&) { return 6; }, &seen);
  rebase.verctl.words[0] = 42;
  SUM_RebaseCB copy(rebase);
  EXPECT_EQ(copy.view_update.invoke(nullptr), 6);
  EXPECT_EQ(copy.verctl.words[0], 42u);
  EXPECT_EQ(copy.view_reload.invoke(nullptr), 0);
}

}  // namespace
