// msgc, the catalog generator: a well-formed file becomes a table with the
// decoded texts; a wrong count or index order fails the build with a message
// naming the file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/sandbox.h"

namespace {

using test_support::run_program;

class MsgcTest : public ::testing::Test {
 protected:
  test_support::TempHome dir;
  std::string write(const std::string& name, const std::string& content) {
    std::string path = dir.path() + "/" + name;
    std::ofstream(path) << content;
    return path;
  }
  test_support::ProcessResult msgc(const std::string& input) {
    return run_program({MSGC_PATH, "-library", "lib", "-header", dir.path() + "/out.h", "-source",
                        dir.path() + "/out.cpp", "-include", "out.h", "-list", "all", input});
  }
  std::string read(const std::string& name) {
    std::ifstream in(dir.path() + "/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(MsgcTest, GeneratesDecodedTextsAndTheCatalogRecord) {
  auto path =
      write("demo_cat.msg",
            "# demo\ncatalog \"demo/cat\" 9 2\n0 ReadOnly \"Stream \"%s\" is read-only.\\n\"\n"
            "\n1  Tabbed\t\" tab\\there \\\\ \"\n");
  auto r = msgc(path);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string source = read("out.cpp");
  EXPECT_NE(source.find("\"Stream \\\"%s\\\" is read-only.\\n\""), std::string::npos) << source;
  EXPECT_NE(source.find("\" tab\\there \\\\ \""), std::string::npos) << source;
  EXPECT_NE(source.find("demo_cat_catalog = {\"lib\", \"demo/cat\", (9u << 16) | 2u"),
            std::string::npos)
      << source;
  std::string header = read("out.h");
  EXPECT_NE(header.find("extern const imsg_catalog_t demo_cat_catalog;"), std::string::npos);
  EXPECT_NE(header.find("enum class demo_cat_msg : int {\n  ReadOnly = 0,\n  Tabbed = 1,\n};"),
            std::string::npos)
      << header;
}

// The kinds each format converts, as the compile-time check of prints sees
// them: a wrong kind here lets a wrong argument through or refuses a right one.
TEST_F(MsgcTest, DescribesEachFormatsConversions) {
  auto path = write("kinds.msg",
                    "catalog \"k\" 1 6\n0 None \"100%% sure\"\n1 Str \"%s and %-14s\"\n"
                    "2 Ints \"%d %i %06d %u %x\"\n3 Longs \"%ld %lu %zu %lld %llu\"\n"
                    "4 Star \"%*d %.*s\"\n5 Other \"%c %f %p\"\n");
  auto r = msgc(path);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(read("out.h").find("      \"\",\n      \"ss\",\n      \"ddduu\",\n      \"lLLqQ\",\n"
                               "      \"ddds\",\n      \"cfp\",\n"),
            std::string::npos)
      << read("out.h");
}

TEST_F(MsgcTest, SymbolsAreRequiredAndUnique) {
  auto missing = msgc(write("nosym.msg", "catalog \"x\" 1 2\n0 A \"a\"\n1 \"b\"\n"));
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.err.find("nosym.msg:3: expected a symbol"), std::string::npos) << missing.err;
  auto twice = msgc(write("twice.msg", "catalog \"x\" 1 2\n0 A \"a\"\n1 A \"b\"\n"));
  EXPECT_EQ(twice.exit_code, 1);
  EXPECT_NE(twice.err.find("twice.msg:3: symbol A used twice"), std::string::npos) << twice.err;
  auto bad = msgc(write("bad.msg", "catalog \"x\" 1 1\n0 9lives \"a\"\n"));
  EXPECT_EQ(bad.exit_code, 1);
  auto conversion = msgc(write("conv.msg", "catalog \"x\" 1 1\n0 A \"%n\"\n"));
  EXPECT_EQ(conversion.exit_code, 1);
  EXPECT_NE(conversion.err.find("conv.msg:2: unsupported conversion in the text: %n"),
            std::string::npos)
      << conversion.err;
}

TEST_F(MsgcTest, WrongCountFailsNamingTheFile) {
  auto path = write("short.msg", "catalog \"x\" 1 3\n0 A \"a\"\n1 B \"b\"\n");
  auto r = msgc(path);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("short.msg: catalog \"x\" declares 3 messages but holds 2"),
            std::string::npos)
      << r.err;
}

TEST_F(MsgcTest, IndexOutOfOrderFailsNamingTheLine) {
  auto path = write("order.msg", "catalog \"x\" 1 2\n0 A \"a\"\n2 B \"b\"\n");
  auto r = msgc(path);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("order.msg:3: index 2 out of order; expected 1"), std::string::npos)
      << r.err;
}

}  // namespace
