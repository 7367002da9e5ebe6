// The typed-entry histories: for each kind of value typed into the entry box,
// the last twenty texts, most recent first. 100 lists, numbered 0 to 99,
// held for the whole run.
#pragma once

#include <array>
#include <string>

struct THistrylist {
  int browse = 0;  // entry last copied into the entry box by Up or Down; 0 = none
  // entries[1] is the most recent; 1..20 are used, the first empty one ends
  // the list; entries[0] and entries[21] stay empty.
  std::array<std::string, 22> entries;
};

constexpr int kHistoryLists = 100;
constexpr int kHistoryDepth = 20;
constexpr int kAngleHistory = 11;  // every angle the user types
constexpr int kTextHistory = 50;   // the texts of text input

struct ComHstState {
  std::array<THistrylist, kHistoryLists> lists;
};
extern ComHstState g_comHst;
void ComHst_Reset();

// List n (0..99), or nullptr outside that range.
THistrylist* HistoryList(int n);
// Number of entries before the first empty one (0..20).
int HistoryCount(const THistrylist& h);
// Puts text first, removing an equal entry and dropping the oldest when full.
// text is used as given (the caller strips blanks); an empty text is ignored.
void HistoryPush(THistrylist& h, const std::string& text);
