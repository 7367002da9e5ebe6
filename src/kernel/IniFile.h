// Configuration files in the ini form: "[Section]" headers and "Key=Value"
// lines. The file is kept as its lines, so everything the program does not
// ask about — comments, blank lines, unknown sections and keys, the spelling
// of keys and values, the line ends — is written back byte for byte; a key
// is rewritten only when its value's meaning changes.
//
// Section and key names compare without regard to ASCII letter case; values
// are read with surrounding blanks and tabs removed. Lines starting with ';'
// or '#' are comments; keys before the first section belong to none and are
// never matched. The first of several equal sections or keys counts.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct TIniFile {
  // Each line without its end, and its end ("\r\n", "\n", "\r" or "" for a
  // last line without one).
  struct Line {
    std::string text;
    std::string end;
  };
  std::vector<Line> lines;
};

// Files larger than this are not read (and so never rewritten).
constexpr std::size_t kIniMaxFile = std::size_t{1} << 20;

TIniFile IniParse(std::string_view text);
std::string IniText(const TIniFile& ini);

// The value of a key into *value; false when the section or key is missing.
bool IniFind(const TIniFile& ini, std::string_view section, std::string_view key, std::string* value);
std::string IniReadString(const TIniFile& ini, std::string_view section, std::string_view key,
                          std::string_view fallback);
// A decimal integer (optional sign, blanks around it); anything else gives fallback.
int IniReadInteger(const TIniFile& ini, std::string_view section, std::string_view key, int fallback);
// An integer (non-zero is true) or "true"/"false" in any letter case.
bool IniReadBool(const TIniFile& ini, std::string_view section, std::string_view key, bool fallback);

// Sets a key; a missing key is added at the end of its section, a missing
// section at the end of the file. Line breaks inside value become blanks.
// An existing key whose value already reads as the given one is left as it
// is ("true" stays "true" for a boolean true, "007" stays for 7).
void IniWriteString(TIniFile& ini, std::string_view section, std::string_view key, std::string_view value);
void IniWriteInteger(TIniFile& ini, std::string_view section, std::string_view key, int value);
void IniWriteBool(TIniFile& ini, std::string_view section, std::string_view key, bool value);

enum class IniLoadResult { Ok, Missing, Unreadable };
// Reads a file; Missing leaves ini empty. Unreadable: it exists but cannot
// be read or is larger than kIniMaxFile.
IniLoadResult IniLoadFile(const std::filesystem::path& path, TIniFile& ini);
// Writes through ReplaceFileContents: a failure leaves the old file as it
// was, and an existing file keeps its permissions (a symbolic link stays one).
// A text larger than kIniMaxFile is not written (false).
bool IniSaveFile(const std::filesystem::path& path, const TIniFile& ini);
