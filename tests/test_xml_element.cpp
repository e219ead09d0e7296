// XML_Element, XML_Token and XML_TagMap; list strings and policy trees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/tbs.h"
#include "services/vob.h"
#include "sum/sum_handle_kind.h"
#include "sum/sum_string.h"
#include "sum/sum_utl_list_strings.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"
#include "sum/xml_element.h"
#include "support/imsg_capture.h"
#include "support/sandbox.h"
#include "support/vob_elem_fixture.h"

namespace {

using test_support::ImsgCapture;
using test_support::TempHome;

std::string str(const SUM_String& s) {
  return static_cast<const char*>(s);
}

std::vector<tbs_int_error_record> int_errors() {
  std::vector<tbs_int_error_record> records;
  EXPECT_EQ(tbs_read_int_error_log(records), 0);
  return records;
}

// <root><a>1</a><b><c>x</c><d>y</d></b></root>
XML_Element sample_tree() {
  XML_Element root("root");
  root.sub_elements().append(XML_Element("a", "1"));
  XML_Element b("b");
  b.sub_elements().append(XML_Element("c", "x"));
  b.sub_elements().append(XML_Element("d", "y"));
  root.sub_elements().append(b);
  return root;
}

std::string compact(const XML_Element& e) {
  SUM_String out;
  EXPECT_EQ(e.string(out, 0), 0);
  return str(out);
}

XML_Element parsed(const std::string& text) {
  XML_Element e;
  EXPECT_EQ(XML_Element::parse(text.c_str(), e), 0) << text;
  return e;
}

TEST(XmlElement, CompactAndIndentedForms) {
  XML_Element tree = sample_tree();
  EXPECT_EQ(compact(tree), "<root><a>1</a><b><c>x</c><d>y</d></b></root>");
  EXPECT_EQ(parsed(compact(tree)), tree);

  XML_Element a("a");
  a.sub_elements().append(XML_Element("b", "1"));
  SUM_String out = "previous content";
  ASSERT_EQ(a.string(out, 1), 0);
  EXPECT_EQ(str(out), "<a>\n  <b>1\n  </b>\n</a>\n");

  ASSERT_EQ(tree.string(out, 1), 0);
  EXPECT_EQ(str(out),
            "<root>\n  <a>1\n  </a>\n  <b>\n    <c>x\n    </c>\n    <d>y\n    </d>\n  </b>\n"
            "</root>\n");
  EXPECT_EQ(parsed(str(out)), tree) << "the indented form reads back too";
}

TEST(XmlElement, LeafAndNullAndEmptyElements) {
  XML_Element both("a", "v");
  both.sub_elements().append(XML_Element("lost", "1"));
  EXPECT_EQ(both.is_leaf(), 1);
  EXPECT_EQ(compact(both), "<a>v</a>") << "a leaf is written without its children";
  EXPECT_EQ(parsed(compact(both)).sub_elements().count(), 0u);

  XML_Element empty("e");
  EXPECT_EQ(empty.is_leaf(), 0);
  EXPECT_EQ(empty.is_null(), 0);
  EXPECT_EQ(compact(empty), "<e></e>");
  EXPECT_EQ(parsed("<e></e>"), empty);
  EXPECT_EQ(XML_Element().is_null(), 1);
}

TEST(XmlElement, WritingANullElementIsAnInternalError) {
  TempHome home;
  ImsgCapture capture;
  SUM_String out = "kept?";
  EXPECT_EQ(XML_Element().string(out, 0), 1072);
  EXPECT_EQ(str(out), "");

  XML_Element tree = sample_tree();
  tree.sub_elements()[1].sub_elements().append(XML_Element());
  EXPECT_EQ(tree.string(out, 1), 1072) << "a null element deep in the tree";
  EXPECT_EQ(str(out), "");

  std::vector<tbs_int_error_record> records = int_errors();
  ASSERT_EQ(records.size(), 2u);
  for (const tbs_int_error_record& r : records) {
    EXPECT_EQ(r.source_file, "xml_element");
    EXPECT_EQ(r.operation, "XML_Element::string");
  }
}

TEST(XmlElement, MalformedInputsAreInternalErrors) {
  const struct {
    const char* text;
    const char* operation;
  } cases[] = {
      {"<a>x</b>", "XML_Element::parse"},        // mismatched closing tag
      {"<a><b>1</b>", "XML_Element::parse"},     // runs out before the root closes
      {"<a></a><b></b>", "XML_Element::parse"},  // tokens after the root
      {"x<a></a>", "XML_Element::parse"},        // first token is not an opening tag
      {"</a>", "XML_Element::parse"},            // likewise
      {"<a>", "XML_Element::parse"},             // nothing follows the opening tag
      {"", "XML_Element::parse"},                // no element at all
      {"<>x</>", "XML_Element::parse"},          // an element without a name
      {"<a><>x</></a>", "XML_Element::parse"},   // likewise, nested
      {"<a>x", "XML_Token::tokenize"},           // a text not followed by a tag
      {"<a", "XML_Token::tokenize"},             // no closing angle bracket
      {"<a><b>1</b></a> trailing", "XML_Token::tokenize"},
  };
  for (const auto& c : cases) {
    TempHome home;
    ImsgCapture capture;
    XML_Element out;
    EXPECT_EQ(XML_Element::parse(c.text, out), 1072) << c.text;
    std::vector<tbs_int_error_record> records = int_errors();
    ASSERT_EQ(records.size(), 1u) << c.text;
    EXPECT_EQ(records[0].source_file, "xml_element") << c.text;
    EXPECT_EQ(records[0].operation, c.operation) << c.text;
  }
}

TEST(XmlElement, TextsAndWhitespace) {
  EXPECT_EQ(str(parsed("<a>  two words  </a>").value()), "two words");
  EXPECT_EQ(parsed("<a>\n \t</a>").is_leaf(), 0) << "white space alone is no text";

  XML_Element mixed = parsed(" <a>first<b>1</b> last \n</a> ");
  EXPECT_EQ(str(mixed.value()), "last") << "text between children keeps its last piece";
  ASSERT_EQ(mixed.sub_elements().count(), 1u);
  EXPECT_EQ(mixed.sub_elements()[0], XML_Element("b", "1"));

  XML_Element spaced = parsed("<a b/>x</a b/>");
  EXPECT_EQ(str(spaced.name()), "a b/") << "spaces and a trailing slash stay in the tag";
}

TEST(XmlToken, KindsAndTexts) {
  XML_TokenList tokens;
  tokens.append(XML_Token(XML_Token::TEXT, "stale"));
  ASSERT_EQ(XML_Token::tokenize(" <a>\n  some text \t</a><>", tokens), 0);
  ASSERT_EQ(tokens.count(), 4u);
  EXPECT_EQ(tokens[0], XML_Token(XML_Token::OPEN, "a"));
  EXPECT_EQ(tokens[1], XML_Token(XML_Token::TEXT, "some text"));
  EXPECT_EQ(tokens[2], XML_Token(XML_Token::CLOSE, "a"));
  EXPECT_EQ(tokens[3], XML_Token(XML_Token::OPEN, ""));
  EXPECT_EQ(XML_Token().kind, XML_Token::NONE);

  ASSERT_EQ(XML_Token::tokenize("  \n ", tokens), 0);
  EXPECT_EQ(tokens.count(), 0u);
}

TEST(XmlElement, ValuesAndNamesRoundTripThroughEscaping) {
  const char* values[] = {
      "a<b", "x > y & z", "&lt; stays literal", "<a>not a tag</a>", "  padded  ", "\tline\n",
      " ",   "&#65;",     "a & b && c;",        "&amp;amp;"};
  for (const char* value : values) {
    XML_Element tree("root");
    tree.sub_elements().append(XML_Element("v", value));
    tree.sub_elements().append(XML_Element("w", "plain"));
    for (int indented = 0; indented <= 1; ++indented) {
      SUM_String text;
      ASSERT_EQ(tree.string(text, indented), 0);
      XML_Element back;
      ASSERT_EQ(XML_Element::parse(text, back), 0) << str(text);
      EXPECT_EQ(back, tree) << "value [" << value << "] written as " << str(text);
    }
  }
  for (const char* name : {"a<b>", "x&y", "/slash", "a/"}) {
    XML_Element tree(name);
    tree.sub_elements().append(XML_Element(name, "1"));
    XML_Element back;
    ASSERT_EQ(XML_Element::parse(compact(tree).c_str(), back), 0) << compact(tree);
    EXPECT_EQ(back, tree) << "name [" << name << "]";
  }

  EXPECT_EQ(compact(XML_Element("v", "a<b&c>d")), "<v>a&lt;b&amp;c&gt;d</v>");
  EXPECT_EQ(compact(XML_Element("v", " x\n")), "<v>&#32;x&#10;</v>");
  EXPECT_EQ(compact(XML_Element("v", "one two")), "<v>one two</v>") << "inner spaces stay";
  EXPECT_EQ(compact(XML_Element("/v", "1")), "<&#47;v>1</&#47;v>");
}

TEST(XmlElement, ReadingDecodesKnownReferencesOnly) {
  EXPECT_EQ(str(parsed("<a>AT&T &unknown; &#0; &#300; &#; &#x4a;&#75;</a>").value()),
            "AT&T &unknown; &#0; &#300; &#; JK");
  EXPECT_EQ(str(parsed("<a>&quot;&apos;&lt;&gt;&amp;</a>").value()), "\"'<>&");
  EXPECT_EQ(str(parsed("<x&amp;y>1</x&amp;y>").name()), "x&y");
}

TEST(XmlElement, NestingDepthIsBounded) {
  auto nested = [](int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
      open += "<n>";
      close += "</n>";
    }
    return open + "x" + close;
  };
  XML_Element out;
  EXPECT_EQ(XML_Element::parse(nested(1024).c_str(), out), 0);
  TempHome home;
  ImsgCapture capture;
  EXPECT_EQ(XML_Element::parse(nested(1025).c_str(), out), 1072);
  EXPECT_EQ(int_errors().size(), 1u);
}

TEST(XmlElement, CopiesAreDeepAndEqualityIsStructural) {
  XML_Element tree = sample_tree();
  XML_Element copy(tree);
  XML_Element assigned;
  assigned = tree;
  EXPECT_EQ(copy, tree);
  EXPECT_EQ(assigned, tree);
  copy.sub_elements()[1].sub_elements()[0].set_value("changed");
  EXPECT_NE(copy, tree);
  EXPECT_EQ(str(tree.sub_elements()[1].sub_elements()[0].value()), "x");

  XML_Element reordered("root");
  reordered.sub_elements().append(tree.sub_elements()[1]);
  reordered.sub_elements().append(tree.sub_elements()[0]);
  EXPECT_NE(reordered, tree) << "children compare in order";
}

TEST(XmlTagMap, LooksUpTheFirstEqualName) {
  XML_TagMap empty;
  EXPECT_EQ(empty["anything"], -1);
  XML_TagMap map(3);
  EXPECT_EQ(map.count(), 3u);
  EXPECT_EQ(map[""], 0) << "unfilled entries are empty names";
  map[0u] = "stream";
  map[1u] = "baseline";
  map[2u] = "stream";
  EXPECT_EQ(map["stream"], 0);
  EXPECT_EQ(map[SUM_String("baseline")], 1);
  EXPECT_EQ(map["component"], -1);
}

// ---- list strings ----------------------------------------------------------

// A typed handle resolving branch types, standing in for the baseline and
// activity classes the list strings are instantiated with.
class TestBranchType : public SUM_NamedObject {
 public:
  static constexpr SUM_HandleKind handle_kind = SUM_HandleKind::BRANCH_TYPE;
  TestBranchType() = default;
  TestBranchType(const SUM_Vob& vob, tbs_dbid_t dbid) : SUM_NamedObject(vob, dbid) {}
  static int construct_from_selector(const SUM_String& text, const SUM_Vob& vob,
                                     TestBranchType& out, int widen = 0) {
    return sum_construct_from_selector_as(text, vob, out, widen);
  }
};

class ListStrings : public ::testing::Test {
 protected:
  void SetUp() override {
    vob = SUM_Vob(test_support::make_test_vob("/pvob", true));
    for (const char* name : {"dev", "int"}) {
      vob_event_info_t event;
      tbs_dbid_t dbid = 0;
      ASSERT_EQ(vob_type_create(vob.handle(), VOB_MTYPE_BRANCH_TYPE, name, &event, &dbid), 0);
      types.append(TestBranchType(vob, dbid));
    }
  }
  std::string univ(const TestBranchType& t) {
    SUM_String s;
    EXPECT_EQ(t.univ_selector(s), 0);
    return str(s);
  }
  TempHome home;
  ImsgCapture capture;
  SUM_Vob vob;
  SUM_List<TestBranchType> types;
};

TEST_F(ListStrings, WriteAndReadBackInOrder) {
  SUM_String text;
  ASSERT_EQ(sum_utl_objlist2str("write", types, 1, text), 0);
  EXPECT_EQ(str(text), univ(types[0]) + "," + univ(types[1]));

  SUM_List<TestBranchType> back;
  ASSERT_EQ(sum_utl_str2objlist("read", text, back), 0);
  EXPECT_EQ(back, types);

  SUM_List<TestBranchType> trailing;
  trailing.append(types[1]);
  ASSERT_EQ(sum_utl_str2objlist("read", (univ(types[0]) + ",").c_str(), trailing), 0);
  ASSERT_EQ(trailing.count(), 2u) << "appended to the list; a trailing comma adds no item";
  EXPECT_EQ(trailing[1], types[0]);
}

TEST_F(ListStrings, EmptyListsAndFailures) {
  SUM_String text = "untouched";
  SUM_List<TestBranchType> none;
  EXPECT_EQ(sum_utl_objlist2str("baselines", none, 0, text), 0);
  EXPECT_EQ(str(text), "untouched");
  EXPECT_TRUE(int_errors().empty());
  EXPECT_EQ(sum_utl_objlist2str("activities", none, 1, text), 1072);
  EXPECT_EQ(str(text), "untouched");
  std::vector<tbs_int_error_record> records = int_errors();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].source_file, "sum_utl_list_strings");
  EXPECT_EQ(records[0].operation, "activities");

  SUM_List<TestBranchType> with_null = types;
  with_null.append(TestBranchType());
  EXPECT_EQ(sum_utl_objlist2str("write", with_null, 0, text), 1072);
  EXPECT_EQ(str(text), "untouched") << "a selector failure leaves the output alone";

  SUM_List<TestBranchType> partial;
  std::string bad = univ(types[0]) + ",brtype:nosuch@/pvob," + univ(types[1]);
  EXPECT_NE(sum_utl_str2objlist("read", bad.c_str(), partial), 0);
  ASSERT_EQ(partial.count(), 1u) << "items before the bad piece stay";
  EXPECT_EQ(partial[0], types[0]);
}

TEST(ListStringPieces, SplitAtCommas) {
  SUM_StringList pieces;
  sum_utl_split_list_string("", pieces);
  EXPECT_EQ(pieces.count(), 0u);
  sum_utl_split_list_string("one", pieces);
  sum_utl_split_list_string("a,,b,", pieces);
  ASSERT_EQ(pieces.count(), 4u);
  EXPECT_EQ(str(pieces[0]), "one");
  EXPECT_EQ(str(pieces[1]), "a");
  EXPECT_EQ(str(pieces[2]), "");
  EXPECT_EQ(str(pieces[3]), "b");
}

TEST(NumberStrings, Formats) {
  EXPECT_EQ(str(sum_utl_i2str(-42)), "-42");
  EXPECT_EQ(str(sum_utl_i2str(0)), "0");
  EXPECT_EQ(str(sum_utl_time2str(1700000000123L)), "1700000000123");
}

// Stands in for the policy class: an id and a value.
struct TestPolicy {
  explicit TestPolicy(int policy_id = 18) : id(policy_id) {}
  void set_value(const SUM_String& text) { value = text; }
  bool operator==(const TestPolicy& other) const { return id == other.id; }
  int id;
  SUM_String value;
};

TEST(PolicyTrees, ChildrenBecomePoliciesInDocumentOrder) {
  SUM_List<TestPolicy> list;
  ASSERT_EQ(sum_utl_xml_to_objlist("<POLICY_PROJECT_PVAR><15>basename</15><4>ENABLED</4>"
                                   "<7></7></POLICY_PROJECT_PVAR>",
                                   list),
            0);
  ASSERT_EQ(list.count(), 3u);
  EXPECT_EQ(list[0].id, 15);
  EXPECT_EQ(str(list[0].value), "basename");
  EXPECT_EQ(list[1].id, 4);
  EXPECT_EQ(str(list[1].value), "ENABLED");
  EXPECT_EQ(list[2].id, 7);
  EXPECT_EQ(str(list[2].value), "");
}

TEST(PolicyTrees, EmptyAndUnreadableTexts) {
  TempHome home;
  ImsgCapture capture;
  SUM_List<TestPolicy> list;
  EXPECT_EQ(sum_utl_xml_to_objlist("", list), 1072);
  ASSERT_EQ(int_errors().size(), 1u);
  EXPECT_EQ(int_errors()[0].source_file, "sum_utl_list_strings");
  EXPECT_EQ(sum_utl_xml_to_objlist("<r><4>x</r>", list), 1001);
  EXPECT_EQ(int_errors().size(), 2u) << "the parser records its internal error";
  EXPECT_EQ(sum_utl_xml_to_objlist("<r><4>x</4><ab>y</ab></r>", list), 1001);
  EXPECT_EQ(sum_utl_xml_to_objlist("<r><9999999999>y</9999999999></r>", list), 1001);
  EXPECT_EQ(sum_utl_xml_to_objlist("<r><4>x</4><>y</></r>", list), 1001) << "a nameless child";
  EXPECT_EQ(list.count(), 0u) << "a failure appends nothing";
}

}  // namespace
