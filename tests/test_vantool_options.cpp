// The option parser shared by every vantool command: values, repeats,
// operands, the end of options, and the common option groups.
#include <gtest/gtest.h>

#include "vantool_options.h"

namespace {

using vantool::effective_options;
using vantool::OptionSpec;
using vantool::ParsedArgs;
using vantool::UsageError;

bool parse(const std::vector<std::string>& args, unsigned common, ParsedArgs& out,
           UsageError& error, const std::vector<OptionSpec>& own = {}) {
  return vantool::parse_args(args, effective_options(own, common), {}, out, error);
}

TEST(VantoolOptions, CommentOptionsTakeTextOrNone) {
  ParsedArgs with;
  UsageError error;
  ASSERT_TRUE(
      parse({"-c", "fix the build", "stream:dev@/pvob"}, vantool::kCommentOptions, with, error));
  EXPECT_EQ(with.comment(), "fix the build");
  EXPECT_EQ(with.operands(), std::vector<std::string>{"stream:dev@/pvob"});

  ParsedArgs none;
  ASSERT_TRUE(parse({"-nc"}, vantool::kCommentOptions, none, error));
  EXPECT_TRUE(none.has("nc"));
  EXPECT_EQ(none.comment(), "");

  ParsedArgs both;
  EXPECT_FALSE(parse({"-c", "x", "-nc"}, vantool::kCommentOptions, both, error));
  EXPECT_EQ(error.message, "Options \"-c\" and \"-nc\" cannot be used together.\n");
}

TEST(VantoolOptions, OptionsOutsideTheCommandsGroupsAreRefused) {
  ParsedArgs out;
  UsageError error;
  EXPECT_FALSE(parse({"-c", "text"}, vantool::kListingOptions, out, error));
  EXPECT_EQ(error.message, "Unrecognized option \"-c\".\n");
  EXPECT_FALSE(parse({"-view"}, vantool::kViewOption, out, error));
  EXPECT_EQ(error.message, "Option \"-view\" requires a value.\n");
}

TEST(VantoolOptions, RepeatableOptionsAccumulateAndDashDashEndsOptions) {
  ParsedArgs out;
  UsageError error;
  std::vector<OptionSpec> own = {{"baseline", true, "BASELINE", true}};
  ASSERT_TRUE(
      parse({"-baseline", "bl1", "-", "-baseline", "bl2", "--", "-json"}, 0, out, error, own));
  EXPECT_EQ(out.values("baseline"), (std::vector<std::string>{"bl1", "bl2"}));
  EXPECT_EQ(out.value("baseline"), "bl2");
  EXPECT_EQ(out.operands(), (std::vector<std::string>{"-", "-json"}))
      << "a lone dash and everything after -- are operands";
  EXPECT_EQ(out.value("missing", "fallback"), "fallback");
}

}  // namespace
