#include "model/ComHst.h"

ComHstState g_comHst;

void ComHst_Reset() { g_comHst = ComHstState{}; }

THistrylist* HistoryList(int n) { return (n >= 0 && n < kHistoryLists) ? &g_comHst.lists[n] : nullptr; }

int HistoryCount(const THistrylist& h) {
  int n = 0;
  while (n < kHistoryDepth && !h.entries[n + 1].empty()) ++n;
  return n;
}

void HistoryPush(THistrylist& h, const std::string& text) {
  if (text.empty()) return;
  auto& e = h.entries;
  for (int p = 1; p <= kHistoryDepth; ++p) {
    if (e[p] != text) continue;
    for (int i = p; i < kHistoryDepth; ++i) e[i] = std::move(e[i + 1]);
    e[kHistoryDepth].clear();
  }
  for (int i = kHistoryDepth; i >= 2; --i) e[i] = std::move(e[i - 1]);
  e[1] = text;
}
