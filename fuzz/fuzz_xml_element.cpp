// Fuzzes the XML reader and writer of stored structured values.
//
// Properties a caller relies on:
//   - any text gives 0 or 1072, never a crash or a runaway recursion;
//   - what the writer produces reads back exactly: a parsed tree written
//     compact, parsed and written again gives the same text (a value read,
//     changed elsewhere and stored again keeps every other field); a leaf
//     drops its children when written, so the first writing may lose them;
//   - the indented form (used in reports) of that tree reads back to the
//     same tree as the compact form;
//   - the tokenizer accepts every text the parser accepts.
#include "fuzz/fuzz_support.h"
#include "sum/xml_element.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text = fuzz_text(data, size);
  XML_Element tree;
  int status = XML_Element::parse(SUM_String(text.c_str()), tree);
  FUZZ_REQUIRE(status == 0 || status == 1072, "parse status " + std::to_string(status));
  if (status != 0)
    return 0;
  XML_TokenList tokens;
  FUZZ_REQUIRE(XML_Token::tokenize(SUM_String(text.c_str()), tokens) == 0,
               "parsed text refused by the tokenizer");

  SUM_String compact;
  FUZZ_REQUIRE(tree.string(compact, 0) == 0, "parsed tree cannot be written");
  XML_Element again;
  FUZZ_REQUIRE(XML_Element::parse(compact, again) == 0,
               std::string("written text does not parse: ") + static_cast<const char*>(compact));
  SUM_String rewritten;
  FUZZ_REQUIRE(again.string(rewritten, 0) == 0, "reread tree cannot be written");
  FUZZ_REQUIRE(rewritten == compact, std::string("written text reads back differently: ") +
                                         static_cast<const char*>(compact) + " -> " +
                                         static_cast<const char*>(rewritten));

  SUM_String indented;
  FUZZ_REQUIRE(tree.string(indented, 1) == 0, "parsed tree cannot be written indented");
  XML_Element from_indented;
  FUZZ_REQUIRE(XML_Element::parse(indented, from_indented) == 0,
               std::string("indented text does not parse: ") + static_cast<const char*>(indented));
  FUZZ_REQUIRE(from_indented == again, std::string("indented text reads back differently: ") +
                                           static_cast<const char*>(indented));
  return 0;
}
