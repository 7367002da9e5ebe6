#include "kernel/SjisConv.h"

#include <iconv.h>

#include <cerrno>

namespace {

// Length of the UTF-8 sequence a lead byte announces (1 for a stray byte).
std::size_t Utf8SeqLen(unsigned char c) {
  if (c >= 0xF0 && c <= 0xF4) return 4;
  if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
  if (c >= 0xC2) return 2;
  return 1;
}

// Length of the CP932 character a byte starts.
std::size_t SjisSeqLen(unsigned char c) { return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1; }

// Converts in with cd; on an unconvertible or malformed sequence of the
// input, appends repl and skips the sequence as seqLen measures it.
std::string Convert(iconv_t cd, std::string_view in, std::string_view repl, std::size_t (*seqLen)(unsigned char),
                    int* replaced) {
  std::string out;
  int count = 0;
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (replaced) *replaced = static_cast<int>(in.size());
    return std::string(in);
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.reserve(in.size() * 3 / 2 + 8);
  char* src = const_cast<char*>(in.data());
  std::size_t left = in.size();
  char buf[1024];
  while (left > 0) {
    char* dst = buf;
    std::size_t room = sizeof buf;
    const std::size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<std::size_t>(dst - buf));
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (truncated at the end): replace one character.
    std::size_t skip = seqLen(static_cast<unsigned char>(*src));
    if (skip > left) skip = left;
    src += skip;
    left -= skip;
    out.append(repl);
    ++count;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  if (replaced) *replaced = count;
  return out;
}

// One converter per thread: a converter keeps state between calls, and
// texts are drawn from two threads at once.
iconv_t ToSjis() {
  thread_local iconv_t cd = iconv_open("CP932", "UTF-8");
  return cd;
}

iconv_t FromSjis() {
  thread_local iconv_t cd = iconv_open("UTF-8", "CP932");
  return cd;
}

}  // namespace

std::string Utf8ToSjis(std::string_view utf8, int* replaced) {
  return Convert(ToSjis(), utf8, "?", Utf8SeqLen, replaced);
}

std::string SjisToUtf8(std::string_view sjis, int* replaced) {
  return Convert(FromSjis(), sjis, "\xEF\xBF\xBD", SjisSeqLen, replaced);
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
