// Conversion between the core's Shift-JIS (CP932) text and UTF-8, for the
// platform boundary: the screen, the terminal and file-system paths.
// CP932 rather than plain Shift_JIS: only it has the circled digits and the
// other vendor characters the program's captions use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 to CP932. A character CP932 lacks becomes "?"; a malformed UTF-8
// byte becomes "?" too. *replaced (when given) receives how many were replaced.
std::string Utf8ToSjis(std::string_view utf8, int* replaced = nullptr);

// A code point appended to out in UTF-8.
void AppendUtf8(std::string& out, std::uint32_t cp);

// CP932 to UTF-8. A byte sequence that is not CP932 becomes U+FFFD.
std::string SjisToUtf8(std::string_view sjis, int* replaced = nullptr);
