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
  auto path = write("demo_cat.msg",
                    "# demo\ncatalog \"demo/cat\" 9 2\n0 \"Stream \"%s\" is read-only.\\n\"\n"
                    "\n1 \" tab\\there \\\\ \"\n");
  auto r = msgc(path);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string source = read("out.cpp");
  EXPECT_NE(source.find("\"Stream \\\"%s\\\" is read-only.\\n\""), std::string::npos) << source;
  EXPECT_NE(source.find("\" tab\\there \\\\ \""), std::string::npos) << source;
  EXPECT_NE(source.find("demo_cat_catalog = {\"lib\", \"demo/cat\", (9u << 16) | 2u"),
            std::string::npos)
      << source;
  EXPECT_NE(read("out.h").find("extern const imsg_catalog_t demo_cat_catalog;"), std::string::npos);
}

TEST_F(MsgcTest, WrongCountFailsNamingTheFile) {
  auto path = write("short.msg", "catalog \"x\" 1 3\n0 \"a\"\n1 \"b\"\n");
  auto r = msgc(path);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("short.msg: catalog \"x\" declares 3 messages but holds 2"),
            std::string::npos)
      << r.err;
}

TEST_F(MsgcTest, IndexOutOfOrderFailsNamingTheLine) {
  auto path = write("order.msg", "catalog \"x\" 1 2\n0 \"a\"\n2 \"b\"\n");
  auto r = msgc(path);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("order.msg:3: index 2 out of order; expected 1"), std::string::npos)
      << r.err;
}

}  // namespace
