// libFuzzer target for the reader of "Operation.hst": any bytes must neither
// crash, hang, leak nor trip a sanitizer; what it reads stays within the
// lines and lists the program holds; writing what was read and reading that
// again gives the same (line breaks inside entries become blanks, a list
// ends at its first empty entry); the recent-file captions convert.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/HstText.h"
#include "kernel/SjisConv.h"

#define Check(ok)                                                  \
  do {                                                             \
    if (!(ok)) {                                                   \
      std::fprintf(stderr, "hst_fuzz.cpp:%d: %s\n", __LINE__, #ok); \
      std::abort();                                                \
    }                                                              \
  } while (0)

namespace {

void CheckLine(const std::string& s) {
  Check(s.size() <= kHstMaxLine);
  Check(s.find('\n') == std::string::npos);
}

// What the program keeps of a read file, as it writes it.
THstText Kept(THstText t) {
  auto blank = [](std::string& s) {
    for (char& c : s)
      if (c == '\r' || c == '\n') c = ' ';
  };
  t.hst.resize(kHstLines);
  for (std::string& s : t.hst) blank(s);
  t.lists.resize(kHistoryLists);
  for (auto& list : t.lists) {
    std::size_t n = 0;
    while (n < list.size() && !list[n].empty()) ++n;
    list.resize(n);
    for (std::string& s : list) blank(s);
  }
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kHstMaxFile) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const THstText read = ParseHstText(text);
  if (!read.found) {
    Check(read.hst.empty() && read.lists.empty());
    return 0;
  }
  Check(read.hst.size() <= static_cast<std::size_t>(kHstLines));
  Check(read.lists.size() <= static_cast<std::size_t>(kHistoryLists));
  for (const std::string& s : read.hst) CheckLine(s);
  for (const auto& list : read.lists) {
    Check(list.size() <= static_cast<std::size_t>(kHistoryDepth));
    for (const std::string& s : list) CheckLine(s);
  }
  // The recent files' menu captions.
  for (const std::string& s : read.hst) (void)Utf8ToSjis(s);

  const THstText kept = Kept(read);
  const std::string out = HstTextFormat(read);
  const THstText again = ParseHstText(out);
  Check(again.found);
  Check(again.hst == kept.hst);
  Check(Kept(again).lists == kept.lists);
  Check(HstTextFormat(again) == out);
  return 0;
}
