// The text of "Operation.hst": blocks of lines from a "$BEGIN" line to an
// "$EOB" line, the first holding the program's lines (folders, the recent
// files), each later one a typed-entry history, most recent first. Lines end
// in LF or CR LF; lines longer than kHstMaxLine are cut; lines outside the
// blocks and beyond a block's capacity are skipped; a block cut short by the
// end of the text ends there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/ComHst.h"

constexpr int kHstLines = 100;  // the first block of "Operation.hst"
// Lines of "Operation.hst" longer than this are cut when read; the file as a
// whole is read up to kHstMaxFile bytes.
constexpr std::size_t kHstMaxLine = 4096;
constexpr std::size_t kHstMaxFile = std::size_t{8} << 20;

struct THstText {
  bool found = false;  // the first block was there
  std::vector<std::string> hst;  // the first block's lines, at most kHstLines
  // The histories whose block was there, in order: at most kHistoryLists,
  // each at most kHistoryDepth entries.
  std::vector<std::vector<std::string>> lists;
};

THstText ParseHstText(std::string_view text);
// The file's text: the first block always kHstLines lines, then
// kHistoryLists blocks, each up to its first empty entry, then "$EOF"; CR LF
// line ends; a line break inside an entry becomes a blank.
std::string HstTextFormat(const THstText& hst);
