#include "kernel/IniFile.h"

#include <charconv>
#include <cstdio>
#include <system_error>

#include "kernel/ReplaceFile.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s) {
  const std::size_t b = s.find_first_not_of(kBlanks);
  if (b == std::string_view::npos) return {};
  const std::size_t e = s.find_last_not_of(kBlanks);
  return s.substr(b, e - b + 1);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

// A section header's name, when the line is one.
bool SectionName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(line.substr(1, close - 1));
  return true;
}

// A key line: its key, and where its value begins and ends in the line.
struct KeyLine {
  std::string_view key;
  std::size_t valueBegin = 0, valueEnd = 0;
};

bool ParseKey(std::string_view line, KeyLine& k) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return false;
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  k.key = Trim(line.substr(0, eq));
  if (k.key.empty()) return false;
  std::size_t b = line.find_first_not_of(kBlanks, eq + 1);
  if (b == std::string_view::npos) b = line.size();
  std::size_t e = line.size();
  while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t')) --e;
  k.valueBegin = b;
  k.valueEnd = e;
  return true;
}

// Where a section's header is (-1 when missing) and where its lines end.
struct SectionSpan {
  int header = -1;
  int end = 0;  // one past its last line
};

SectionSpan FindSection(const TIniFile& ini, std::string_view section) {
  SectionSpan s;
  const int n = static_cast<int>(ini.lines.size());
  for (int i = 0; i < n; ++i) {
    std::string_view name;
    if (!SectionName(ini.lines[static_cast<std::size_t>(i)].text, name)) continue;
    if (s.header >= 0) {
      s.end = i;
      return s;
    }
    if (SameName(name, section)) s.header = i;
  }
  s.end = n;
  return s;
}

// The line of a key within a section, or -1.
int FindKey(const TIniFile& ini, const SectionSpan& s, std::string_view key, KeyLine& k) {
  if (s.header < 0) return -1;
  for (int i = s.header + 1; i < s.end; ++i)
    if (ParseKey(ini.lines[static_cast<std::size_t>(i)].text, k) && SameName(k.key, key)) return i;
  return -1;
}

bool ParseInt(std::string_view s, int& out) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size();
}

bool ParseBool(std::string_view s, bool& out) {
  int n = 0;
  if (ParseInt(s, n)) {
    out = n != 0;
    return true;
  }
  s = Trim(s);
  if (SameName(s, "true")) {
    out = true;
    return true;
  }
  if (SameName(s, "false")) {
    out = false;
    return true;
  }
  return false;
}

// The line end new lines get: the file's first, else CR LF.
std::string NewLineEnd(const TIniFile& ini) {
  for (const TIniFile::Line& l : ini.lines)
    if (!l.end.empty()) return l.end;
  return "\r\n";
}

void Insert(TIniFile& ini, int at, std::string text) {
  std::string end = NewLineEnd(ini);
  // A CR before an empty line ended by LF would read back as one CR LF,
  // swallowing that empty line.
  const std::size_t after = static_cast<std::size_t>(at);
  if (end == "\r" && after < ini.lines.size()) {
    const TIniFile::Line& next = ini.lines[after];
    if (next.text.empty() && next.end.starts_with('\n')) end = "\r\n";
  }
  // The line before may be a last line without an end.
  if (at > 0 && ini.lines[static_cast<std::size_t>(at - 1)].end.empty()) ini.lines[static_cast<std::size_t>(at - 1)].end = end;
  ini.lines.insert(ini.lines.begin() + at, TIniFile::Line{std::move(text), end});
}

}  // namespace

TIniFile IniParse(std::string_view text) {
  TIniFile ini;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t brk = text.find_first_of("\r\n", pos);
    if (brk == std::string_view::npos) {
      ini.lines.push_back({std::string(text.substr(pos)), ""});
      break;
    }
    std::size_t next = brk + 1;
    if (text[brk] == '\r' && next < text.size() && text[next] == '\n') ++next;
    ini.lines.push_back({std::string(text.substr(pos, brk - pos)), std::string(text.substr(brk, next - brk))});
    pos = next;
  }
  return ini;
}

std::string IniText(const TIniFile& ini) {
  std::string out;
  for (const TIniFile::Line& l : ini.lines) {
    out += l.text;
    out += l.end;
  }
  return out;
}

bool IniFind(const TIniFile& ini, std::string_view section, std::string_view key, std::string* value) {
  KeyLine k;
  const int i = FindKey(ini, FindSection(ini, section), key, k);
  if (i < 0) return false;
  if (value) {
    const std::string& line = ini.lines[static_cast<std::size_t>(i)].text;
    *value = line.substr(k.valueBegin, k.valueEnd - k.valueBegin);
  }
  return true;
}

std::string IniReadString(const TIniFile& ini, std::string_view section, std::string_view key,
                          std::string_view fallback) {
  std::string v;
  return IniFind(ini, section, key, &v) ? v : std::string(fallback);
}

int IniReadInteger(const TIniFile& ini, std::string_view section, std::string_view key, int fallback) {
  std::string v;
  int n = 0;
  return IniFind(ini, section, key, &v) && ParseInt(v, n) ? n : fallback;
}

bool IniReadBool(const TIniFile& ini, std::string_view section, std::string_view key, bool fallback) {
  std::string v;
  bool b = false;
  return IniFind(ini, section, key, &v) && ParseBool(v, b) ? b : fallback;
}

namespace {

// Sets key to value unless same(old value) says it already holds it.
template <class Same>
void Write(TIniFile& ini, std::string_view section, std::string_view key, std::string_view raw, Same same) {
  std::string value(raw);
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  const SectionSpan s = FindSection(ini, section);
  KeyLine k;
  const int i = FindKey(ini, s, key, k);
  if (i >= 0) {
    std::string& line = ini.lines[static_cast<std::size_t>(i)].text;
    if (same(std::string_view(line).substr(k.valueBegin, k.valueEnd - k.valueBegin))) return;
    // The key's spelling and the blanks around "=" stay.
    line = line.substr(0, k.valueBegin) + value + line.substr(k.valueEnd);
    return;
  }
  std::string entry = std::string(key) + "=" + value;
  if (s.header < 0) {
    const int n = static_cast<int>(ini.lines.size());
    std::string header(1, '[');
    header.append(section).append("]");
    Insert(ini, n, std::move(header));
    Insert(ini, n + 1, std::move(entry));
    return;
  }
  // After the section's last non-blank line, so blank lines before the
  // next section stay where they are.
  int at = s.end;
  while (at > s.header + 1 && Trim(ini.lines[static_cast<std::size_t>(at - 1)].text).empty()) --at;
  Insert(ini, at, std::move(entry));
}

}  // namespace

void IniWriteString(TIniFile& ini, std::string_view section, std::string_view key, std::string_view value) {
  Write(ini, section, key, value, [value](std::string_view old) { return old == Trim(value); });
}

void IniWriteInteger(TIniFile& ini, std::string_view section, std::string_view key, int value) {
  Write(ini, section, key, std::to_string(value), [value](std::string_view old) {
    int n = 0;
    return ParseInt(old, n) && n == value;
  });
}

void IniWriteBool(TIniFile& ini, std::string_view section, std::string_view key, bool value) {
  Write(ini, section, key, value ? "1" : "0", [value](std::string_view old) {
    bool b = false;
    return ParseBool(old, b) && b == value;
  });
}

IniLoadResult IniLoadFile(const fs::path& path, TIniFile& ini) {
  ini = TIniFile{};
  std::string text;
  const ReadFileResult r = ReadFileContents(path, kIniMaxFile, text);
  if (r == ReadFileResult::Missing) return IniLoadResult::Missing;
  if (r != ReadFileResult::Ok || text.size() > kIniMaxFile) return IniLoadResult::Unreadable;
  ini = IniParse(text);
  return IniLoadResult::Ok;
}

bool IniSaveFile(const fs::path& path, const TIniFile& ini) {
  const std::string text = IniText(ini);
  // A file the reader would refuse is not written: the old one stays readable.
  if (text.size() > kIniMaxFile) return false;
  return ReplaceFileContents(path, text);
}
