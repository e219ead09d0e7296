// Fuzzes attribute lists: the "tag=value" lines several fields share in one
// process variable.
//
// Properties a caller relies on:
//   - unpacking any stored text gives 0, 1001 (malformed line) or 1072
//     (unknown tag), never a crash;
//   - what unpack accepted, packed and unpacked again gives the same values
//     (a state record read and written back loses nothing);
//   - values without a line break survive pack and unpack exactly.
#include "fuzz/fuzz_support.h"
#include "sum/sum_avlist.h"

namespace {

SUM_AVMapList sample_map() {
  SUM_AVMapList map;
  map.append(SUM_AVMap(0, "state", 1));
  map.append(SUM_AVMap(1, "stream", 1));
  map.append(SUM_AVMap(2, "view", 1));
  map.append(SUM_AVMap(3, "", 1));  // an empty tag is a tag like any other
  return map;
}

void check_same_values(const SUM_AVList& a, const SUM_AVList& b, const char* what) {
  for (unsigned i = 0; i < a.values.count(); ++i)
    FUZZ_REQUIRE(a.values[i] == b.values[i], std::string(what) + ": value " + std::to_string(i) +
                                                 " \"" + static_cast<const char*>(a.values[i]) +
                                                 "\" became \"" +
                                                 static_cast<const char*>(b.values[i]) + "\"");
}

// Unpacks stored text and checks that a valid one survives a round trip.
void check_unpack(const std::string& text) {
  SUM_AVList list(sample_map());
  int status = list.unpack(SUM_String(text.c_str()));
  FUZZ_REQUIRE(status == 0 || status == 1001 || status == 1072,
               "unpack status " + std::to_string(status));
  if (status != 0)
    return;
  SUM_String packed;
  FUZZ_REQUIRE(list.pack(packed) == 0, "pack failed");
  SUM_AVList again(sample_map());
  FUZZ_REQUIRE(again.unpack(packed) == 0, "packed values do not unpack");
  check_same_values(list, again, "unpacked text");
}

// Packs values cut from the input (split at "\n", so none holds one).
void check_pack(const std::string& text) {
  SUM_AVList list(sample_map());
  size_t start = 0;
  for (unsigned i = 0; i < list.values.count() && start <= text.size(); ++i) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    list.values[i] = SUM_String(text.substr(start, end - start).c_str());
    start = end + 1;
  }
  SUM_String packed;
  FUZZ_REQUIRE(list.pack(packed) == 0, "pack failed");
  SUM_AVList again(sample_map());
  int status = again.unpack(packed);
  FUZZ_REQUIRE(status == 0, "packed values do not unpack: " + std::to_string(status));
  check_same_values(list, again, "packed values");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  std::string text = fuzz_text(data + 1, size - 1);
  if (data[0] % 2 == 0)
    check_unpack(text);
  else
    check_pack(text);
  return 0;
}
