// The checks of the configuration reader's fuzz target, shared with the
// test that replays the inputs it found: the text must come back byte for
// byte; and writing a key must leave every line it does not set as it was:
// one line rewritten, or one or two lines added (the line before them gains
// the line end it lacked when it was the last), and the key then reads back
// as written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "kernel/IniFile.h"

#define Check(ok)              \
  do {                         \
    if (!(ok)) return #ok;     \
  } while (0)

namespace inicheck {

// The names the program uses and a few that collide with them in letter case.
inline constexpr std::string_view kSections[] = {"View", "ETC1", "BOXC", "RDXF", "Input", "etc1", "New"};
inline constexpr std::string_view kKeys[] = {"BcWhite", "WheelZm", "Edit1BW", "MjSize1", "SumiNik", "wheelzm", "K"};

inline bool SameLine(const TIniFile::Line& a, const TIniFile::Line& b) { return a.text == b.text && a.end == b.end; }

// before -> after changed only as one write may change it.
inline const char* CheckOneWrite(const TIniFile& before, const TIniFile& after) {
  const std::size_t n = before.lines.size(), m = after.lines.size();
  Check(m >= n && m <= n + 2);
  if (m == n) {
    int changed = 0;
    for (std::size_t i = 0; i < n; ++i) {
      Check(before.lines[i].end == after.lines[i].end);
      if (before.lines[i].text != after.lines[i].text) ++changed;
    }
    Check(changed <= 1);
    return nullptr;
  }
  const std::size_t added = m - n;
  std::size_t at = 0;
  while (at < n && SameLine(before.lines[at], after.lines[at])) ++at;
  // at: the first line that differs; the added lines start there or one
  // later when the line before them only gained a line end.
  if (at < n && before.lines[at].text == after.lines[at].text && before.lines[at].end.empty() &&
      !after.lines[at].end.empty())
    ++at;
  for (std::size_t i = at; i < n; ++i) Check(SameLine(before.lines[i], after.lines[i + added]));
  for (std::size_t i = at; i < at + added; ++i) Check(!after.lines[i].end.empty());
  return nullptr;
}

inline std::string_view Trim(std::string_view s) {
  const std::size_t b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}


// Parses text, queries and writes keys as the input's first bytes choose;
// nullptr, or the check that failed.
inline const char* IniCheckInput(std::string_view text) {
  const std::size_t size = text.size();
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  TIniFile ini = IniParse(text);
  Check(IniText(ini) == text);
  // Lines never hold a line break, and only the last may lack an end.
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    Check(ini.lines[i].text.find_first_of("\r\n") == std::string::npos);
    Check(!ini.lines[i].end.empty() || i + 1 == ini.lines.size());
  }

  for (std::string_view s : kSections)
    for (std::string_view k : kKeys) {
      std::string v;
      const bool found = IniFind(ini, s, k, &v);
      Check(IniReadString(ini, s, k, "\x01") == (found ? v : "\x01"));
      if (found) Check(v == Trim(v));
      (void)IniReadInteger(ini, s, k, 0);
      (void)IniReadBool(ini, s, k, false);
    }

  // Writes chosen by the input's first bytes; the values are its last bytes.
  const std::size_t writes = size < 4 ? size : 4;
  for (std::size_t w = 0; w < writes; ++w) {
    const unsigned char c = data[w];
    const std::string_view s = kSections[c % std::size(kSections)];
    const std::string_view k = kKeys[(c / 7) % std::size(kKeys)];
    const TIniFile before = ini;
    switch ((c >> 6) % 3) {
      case 0: {
        const std::string_view raw = text.substr(size - (size < 24 ? size : 24));
        IniWriteString(ini, s, k, raw);
        std::string expect(Trim(raw));
        for (char& ch : expect)
          if (ch == '\r' || ch == '\n') ch = ' ';
        Check(IniReadString(ini, s, k, "\x01") == Trim(expect));
        break;
      }
      case 1: {
        const int value = static_cast<int>(size) * (c & 1 ? -1 : 1);
        IniWriteInteger(ini, s, k, value);
        Check(IniReadInteger(ini, s, k, value + 1) == value);
        break;
      }
      default: {
        const bool value = c & 1;
        IniWriteBool(ini, s, k, value);
        Check(IniReadBool(ini, s, k, !value) == value);
        break;
      }
    }
    if (const char* failed = CheckOneWrite(before, ini)) return failed;
    // What was written reads the same from its text.
    const std::string out = IniText(ini);
    Check(IniText(IniParse(out)) == out);
    Check(IniParse(out).lines.size() == ini.lines.size());
  }
  return nullptr;
}
}  // namespace inicheck

#undef Check
