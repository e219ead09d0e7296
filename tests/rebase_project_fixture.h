// The project the rebase tests start from, made with vantool: the standard
// project without its development stream; in the integration stream "int"
// (view "int") activity "fix" adds base.txt, recorded by baseline INT0,
// then fix.txt, recorded by INT1, which "int" recommends. Development
// streams made by make_stream start from INT0, so their rebase to INT1
// changes nothing they modified unless a test makes them change the src
// root.
#ifndef TESTS_REBASE_PROJECT_FIXTURE_H
#define TESTS_REBASE_PROJECT_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sum/sum_baseline.h"
#include "sum/sum_new_config.h"
#include "sum/sum_rebase.h"
#include "sum/sum_stream.h"
#include "sum/sum_view.h"
#include "support/project_builder.h"
#include "support/vantool_runner.h"
#include "vantool_project_fixture.h"

namespace zem_test {

class RebaseProjectTest : public VantoolProjectTest {
 protected:
  void SetUp() override {
    test_support::ProjectSpec spec = test_support::standard_project();
    spec.development_stream.clear();
    spec.development_view.clear();
    spec.activity.clear();
    ASSERT_TRUE(build_project(home, spec));
    make_view("int@/pvob", "int");
    run({"mkact", "-view", "int", "-headline", "Fix", "-nc", "fix@/pvob"});
    add_file("int", "base.txt");
    run({"mkbl", "-view", "int", "-nc", "INT0"});
    add_file("int", "fix.txt");
    run({"mkbl", "-view", "int", "-nc", "INT1"});
    run({"chstream", "-recommended", "INT1@/pvob", "-nc", "int@/pvob"});
  }

  // Development stream `name` on INT0 with view `name` set to activity
  // "<name>_work".
  void make_stream(const std::string& name) {
    run({"mkstream", "-in", "proj@/pvob", "-baseline", "INT0@/pvob", "-nc", name + "@/pvob"});
    make_view(name + "@/pvob", name);
    run({"mkact", "-view", name, "-headline", "Work", "-nc", name + "_work@/pvob"});
  }

  // A rebase of `stream` to `baseline` (a baseline's name in /pvob), started
  // through the library and, unless `target` is null, bound to that view;
  // null when the start is refused.
  static std::unique_ptr<SUM_Rebase> start_rebase_to(const SUM_Stream& stream,
                                                     const std::string& baseline,
                                                     const SUM_View& target) {
    SUM_Baseline found;
    EXPECT_EQ(SUM_Baseline::construct_from_selector(("baseline:" + baseline + "@/pvob").c_str(),
                                                    SUM_Vob(), found),
              0)
        << baseline;
    SUM_BaselineList baselines;
    baselines.append(found);
    auto config = std::make_unique<SUM_NewConfig>(stream, SUM_NewConfig::stream_creation_cbs());
    EXPECT_EQ(config->init(baselines), 0);
    EXPECT_EQ(config->validate(), 0);
    auto rebase = SUM_Rebase::start_new_rebase(std::move(config));
    if (rebase != nullptr && !target.is_null()) {
      EXPECT_EQ(rebase->prepare_view(target), 0);
    }
    return rebase;
  }

  // What a user sees of stream `name` and its view (lsstream -long, catcs,
  // the view's activity, the stream's activities), with the stream's name
  // written as STREAM and without what differs between two streams made
  // alike: the identity's object and the time the config spec was made.
  std::string shown(const std::string& name) {
    std::string text = test_support::vantool_out({"lsstream", "-long", name + "@/pvob"}) +
                       test_support::vantool_out({"catcs", "-view", name}) +
                       test_support::vantool_out({"lsact", "-cact", "-view", name}) +
                       test_support::vantool_out({"lsact", "-short", "-in", name + "@/pvob"});
    size_t at = text.find("\" at ");
    if (at != std::string::npos)
      text.erase(at, text.find('\n', at) - at);
    at = text.find("identity ZEM.Stream ");
    if (at != std::string::npos)
      text.erase(at, text.rfind(' ', text.find('\n', at)) - at);
    for (at = text.find(name); at != std::string::npos; at = text.find(name, at))
      text.replace(at, name.size(), "STREAM");
    // An integration activity kept by a rebase is named with its start.
    const std::string integration = "rebase.STREAM.";
    for (at = text.find(integration); at != std::string::npos; at = text.find(integration, at)) {
      at += integration.size();
      size_t end = text.find_first_not_of("0123456789.", at);
      text.replace(at, end - at, "TIME");
    }
    return text;
  }
};

}  // namespace zem_test

#endif  // TESTS_REBASE_PROJECT_FIXTURE_H
