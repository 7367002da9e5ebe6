#include "files/HstText.h"

#include <algorithm>

namespace {

bool Starts(std::string_view line, std::string_view what) { return line.substr(0, what.size()) == what; }

}  // namespace

THstText ParseHstText(std::string_view text) {
  THstText out;
  std::size_t pos = 0;
  auto next = [&](std::string_view& line) {
    if (pos >= text.size()) return false;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kHstMaxLine) line = line.substr(0, kHstMaxLine);
    return true;
  };
  auto begin = [&](std::string_view& line) {
    while (next(line))
      if (Starts(line, "$BEGIN")) return true;
    return false;
  };
  std::string_view line;
  if (!begin(line)) return out;
  out.found = true;
  while (next(line) && !Starts(line, "$EOB"))
    if (out.hst.size() < static_cast<std::size_t>(kHstLines)) out.hst.emplace_back(line);
  while (out.lists.size() < static_cast<std::size_t>(kHistoryLists) && begin(line)) {
    std::vector<std::string>& list = out.lists.emplace_back();
    while (next(line) && !Starts(line, "$EOB"))
      if (list.size() < static_cast<std::size_t>(kHistoryDepth)) list.emplace_back(line);
  }
  return out;
}

std::string HstTextFormat(const THstText& hst) {
  std::string out;
  auto put = [&out](std::string_view s) {
    // A line break inside an entry would shift every later line.
    for (char c : s) out += (c == '\r' || c == '\n') ? ' ' : c;
    out += "\r\n";
  };
  put("$BEGIN");
  for (std::size_t i = 0; i < static_cast<std::size_t>(kHstLines); ++i) put(i < hst.hst.size() ? hst.hst[i] : "");
  put("$EOB");
  for (std::size_t k = 0; k < static_cast<std::size_t>(kHistoryLists); ++k) {
    put("$BEGIN");
    if (k < hst.lists.size()) {
      const std::vector<std::string>& list = hst.lists[k];
      const std::size_t n = std::min(list.size(), static_cast<std::size_t>(kHistoryDepth));
      for (std::size_t e = 0; e < n && !list[e].empty(); ++e) put(list[e]);
    }
    put("$EOB");
  }
  put("$EOF");
  return out;
}
