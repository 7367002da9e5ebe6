#include "files/Z_Compress.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "VelmoTest.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

Bytes ToBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = static_cast<unsigned char>(rng());
  return b;
}

// Lines as a native drawing file holds them.
Bytes DrawingText(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  auto num = [&] {
    const unsigned v = rng() % 100000;
    return std::to_string(v / 100) + "." + std::to_string(v % 100 / 10) + std::to_string(v % 10);
  };
  while (s.size() < n) {
    s += (rng() % 5 ? "LINE," : "ARC,") + std::to_string(rng() % 16) + "," +
         std::to_string(rng() % 9) + "," + num() + "," + num() + "," + num() + "," + num() + "\r\n";
  }
  s.resize(n);
  return ToBytes(s);
}

// Copies of a pattern's prefix whose lengths follow the Fibonacci numbers,
// each followed by a random byte: the match lengths of a block get
// frequencies from 1 to thousands, so some of their codes are longer than
// the decoder's 12-bit lookup and some need limiting to 16 bits.
Bytes SkewedMatches(unsigned seed) {
  std::mt19937 rng(seed);
  const Bytes pattern = RandomBytes(300, seed);
  std::vector<double> weight(24);
  weight[0] = weight[1] = 1;
  for (std::size_t i = 2; i < weight.size(); ++i) weight[i] = weight[i - 1] + weight[i - 2];
  std::discrete_distribution<int> pick(weight.rbegin(), weight.rend());
  Bytes b = pattern;
  while (b.size() < 200000) {
    b.insert(b.end(), pattern.begin(), pattern.begin() + 3 + pick(rng));
    b.push_back(static_cast<unsigned char>(rng()));
  }
  return b;
}

Bytes Decode(const Bytes& stream, bool* ok = nullptr, std::uint64_t limit = kLh5MaxOutput) {
  Bytes out;
  const bool r = Lh5Decode(stream, out, nullptr, limit);
  if (ok) *ok = r;
  return out;
}

// --- An independent reader: libarchive's LHA support --------------------

std::uint16_t Crc16(const Bytes& data) {  // CRC-16/ARC, as LHA archives carry it
  std::uint16_t crc = 0;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

void PutLe(Bytes& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// A one-member LHA archive (level-0 header) around a raw -lh5- stream.
Bytes LhaArchive(const Bytes& stream, const Bytes& original) {
  const std::string name = "DRAWING.VLD";
  Bytes h;
  h.push_back(0);  // header size, set below
  h.push_back(0);  // header checksum, set below
  for (char c : std::string("-lh5-")) h.push_back(static_cast<unsigned char>(c));
  PutLe(h, static_cast<std::uint32_t>(stream.size()), 4);
  PutLe(h, static_cast<std::uint32_t>(original.size()), 4);
  PutLe(h, (40u << 25) | (1u << 21) | (1u << 16), 4);  // 2020-01-01 00:00 (MS-DOS)
  h.push_back(0x20);  // attribute: archive
  h.push_back(0);     // header level 0
  h.push_back(static_cast<unsigned char>(name.size()));
  h.insert(h.end(), name.begin(), name.end());
  PutLe(h, Crc16(original), 2);
  h[0] = static_cast<unsigned char>(h.size() - 2);
  unsigned sum = 0;
  for (std::size_t i = 2; i < h.size(); ++i) sum += h[i];
  h[1] = static_cast<unsigned char>(sum);
  h.insert(h.end(), stream.begin(), stream.end());
  h.push_back(0);  // end of archive
  return h;
}

// Extracts the member with libarchive; false with its message on any error
// (libarchive checks the member's CRC).
bool LibarchiveExtract(const Bytes& archiveBytes, Bytes& out, std::string& error) {
  out.clear();
  archive* a = archive_read_new();
  archive_read_support_format_lha(a);
  bool ok = false;
  archive_entry* entry = nullptr;
  if (archive_read_open_memory(a, archiveBytes.data(), archiveBytes.size()) != ARCHIVE_OK ||
      archive_read_next_header(a, &entry) != ARCHIVE_OK) {
    error = archive_error_string(a) ? archive_error_string(a) : "no header";
  } else {
    unsigned char buf[8192];
    la_ssize_t n;
    while ((n = archive_read_data(a, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
    if (n < 0)
      error = archive_error_string(a) ? archive_error_string(a) : "read error";
    else
      ok = true;
  }
  archive_read_free(a);
  return ok;
}

// --- A bit writer for hand-made streams ----------------------------------

class Bits {
public:
  Bits& Put(int n, std::uint32_t v) {
    for (int i = n - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((v >> i) & 1) bytes_.back() |= static_cast<unsigned char>(0x80 >> (used_ % 8));
      ++used_;
    }
    return *this;
  }
  // A block header whose three tables are each a single value, so that
  // every symbol takes no bits.
  Bits& SingleBlock(std::uint32_t count, int c, int p = 0) {
    return Put(16, count).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, c).Put(4, 0).Put(4, p);
  }
  const Bytes& bytes() const { return bytes_; }

private:
  Bytes bytes_;
  int used_ = 0;
};

// --- Round trips ---------------------------------------------------------

struct Sample {
  const char* what;
  Bytes data;
};

std::vector<Sample> Samples() {
  std::vector<Sample> s;
  s.push_back({"empty", {}});
  s.push_back({"one byte", {0x41}});
  s.push_back({"two bytes", {0x00, 0xFF}});
  Bytes all(256);
  std::iota(all.begin(), all.end(), 0);
  s.push_back({"all byte values", all});
  Bytes allTwice = all;
  allTwice.insert(allTwice.end(), all.rbegin(), all.rend());
  allTwice.insert(allTwice.end(), all.begin(), all.end());
  s.push_back({"all byte values, reversed, again", allTwice});
  s.push_back({"random 100000", RandomBytes(100000, 1)});
  s.push_back({"one value 100000", Bytes(100000, 0x30)});
  s.push_back({"one value 3 000 000 (blocks of matches only)", Bytes(3000000, 0)});
  s.push_back({"short period", ToBytes(std::string(5000, 'x') + "abcabcabcabcabcab")});
  s.push_back({"drawing text 300 KB", DrawingText(300000, 2)});
  s.push_back({"skewed match lengths (long codes)", SkewedMatches(3)});
  // The same 300 bytes again at distances 8192 (the farthest a match
  // reaches) and 8193 (just out of reach).
  Bytes far = RandomBytes(300, 4);
  Bytes gap = RandomBytes(8192 - 300, 5);
  Bytes farData = far;
  farData.insert(farData.end(), gap.begin(), gap.end());
  farData.insert(farData.end(), far.begin(), far.end());
  farData.push_back(0x55);
  farData.insert(farData.end(), far.begin(), far.end());
  s.push_back({"match at the dictionary's edge", farData});
  // Random data sends a block after about 14 540 literals: sizes around it.
  for (std::size_t n : {14535u, 14543u, 14544u, 14545u, 14552u, 29088u, 29089u})
    s.push_back({"random around a block's end", RandomBytes(n, static_cast<unsigned>(n))});
  Bytes mixed = DrawingText(70000, 6);
  const Bytes noise = RandomBytes(20000, 7);
  mixed.insert(mixed.begin() + 30000, noise.begin(), noise.end());
  s.push_back({"text, noise, text", mixed});
  return s;
}

class ZCompressTest : public VelmoTest {};

TEST_F(ZCompressTest, RoundTripsAndLibarchiveReadsTheSameBytes) {
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.what);
    const Bytes stream = Lh5Encode(s.data);
    bool ok = false;
    std::string reason;
    Bytes back;
    ok = Lh5Decode(stream, back, &reason);
    EXPECT_TRUE(ok) << reason;
    EXPECT_TRUE(back == s.data) << "size " << back.size() << " vs " << s.data.size();

    // libarchive starts decoding only with 8 bytes of stream at hand (its
    // bit cache): a 7-byte stream, a lone byte's, is beyond it.
    if (stream.size() >= 8 || stream.empty()) {
      Bytes extracted;
      std::string error;
      EXPECT_TRUE(LibarchiveExtract(LhaArchive(stream, s.data), extracted, error)) << error;
      EXPECT_TRUE(extracted == s.data) << "libarchive gave " << extracted.size() << " bytes";
    }
  }
}

TEST_F(ZCompressTest, CompressesWhatRepeats) {
  EXPECT_TRUE(Lh5Encode({}).empty());
  // 100 000 equal bytes: one literal and matches of 256.
  const std::size_t one = Lh5Encode(Bytes(100000, 'A')).size();
  EXPECT_LT(one, 300u);
  EXPECT_GT(one, 20u);
  // Drawing text shrinks to well under half; noise grows only by the block
  // tables (a few bytes per block of about 14 500 literals).
  EXPECT_LT(Lh5Encode(DrawingText(200000, 8)).size(), 200000u * 45 / 100);
  EXPECT_LT(Lh5Encode(RandomBytes(100000, 9)).size(), 100000u * 1015 / 1000);
}

TEST_F(ZCompressTest, CodeLengthsFormLimitedCompleteCodes) {
  auto kraft = [](const std::vector<std::uint8_t>& len, int maxBits) {
    std::uint64_t sum = 0;
    for (auto l : len)
      if (l) sum += std::uint64_t{1} << (maxBits - l);
    return sum;
  };
  // Optimal cost of an unlimited Huffman code: the sum of all merged weights.
  auto huffmanCost = [](const std::vector<std::uint32_t>& freq) {
    std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> q;
    for (auto f : freq)
      if (f) q.push(f);
    std::uint64_t cost = 0;
    while (q.size() > 1) {
      const auto a = q.top();
      q.pop();
      const auto b = q.top();
      q.pop();
      cost += a + b;
      q.push(a + b);
    }
    return cost;
  };
  std::mt19937 rng(10);
  std::vector<std::uint32_t> fib(30);
  fib[0] = fib[1] = 1;
  for (std::size_t i = 2; i < fib.size(); ++i) fib[i] = fib[i - 1] + fib[i - 2];
  std::vector<std::uint32_t> random510(510);
  for (auto& f : random510) f = rng() % 3 ? rng() % 1000 : 0;

  struct Case {
    const char* what;
    std::vector<std::uint32_t> freq;
    int maxBits;
    bool optimal;  // no length needs limiting
  };
  const Case cases[] = {
      {"two symbols", {0, 5, 0, 1}, 16, true},
      {"random over 510", random510, 16, true},
      {"Fibonacci, limited to 16", fib, 16, false},
      {"Fibonacci, limited to 7", std::vector<std::uint32_t>(fib.begin(), fib.begin() + 19), 7, false},
      {"equal", std::vector<std::uint32_t>(19, 4), 16, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> len(c.freq.size(), 99);
    Lh5CodeLengths(c.freq, len, c.maxBits);
    EXPECT_EQ(kraft(len, c.maxBits), std::uint64_t{1} << c.maxBits);
    std::uint64_t cost = 0;
    for (std::size_t i = 0; i < len.size(); ++i) {
      EXPECT_LE(len[i], c.maxBits);
      EXPECT_EQ(len[i] == 0, c.freq[i] == 0) << "symbol " << i;
      cost += std::uint64_t{c.freq[i]} * len[i];
    }
    if (c.optimal) {
      EXPECT_EQ(cost, huffmanCost(c.freq));
    }
    // Rarer symbols never get shorter codes.
    for (std::size_t i = 0; i < len.size(); ++i)
      for (std::size_t j = 0; j < len.size(); ++j)
        if (c.freq[i] && c.freq[j] && c.freq[i] < c.freq[j]) {
          EXPECT_GE(len[i], len[j]);
        }
  }
  // One used symbol or none: no code at all, the table is sent as a value.
  for (const auto& freq : {std::vector<std::uint32_t>{0, 0, 7}, std::vector<std::uint32_t>(5, 0)}) {
    std::vector<std::uint8_t> len(freq.size(), 99);
    Lh5CodeLengths(freq, len, 16);
    EXPECT_EQ(std::count(len.begin(), len.end(), 0), static_cast<long>(len.size()));
  }
}

// --- Hand-made streams ---------------------------------------------------

// Our decoder and libarchive's agree on a hand-made stream.
void ExpectBothDecode(const Bytes& stream, const Bytes& expected) {
  bool ok = false;
  EXPECT_EQ(Decode(stream, &ok), expected);
  EXPECT_TRUE(ok);
  Bytes extracted;
  std::string error;
  EXPECT_TRUE(LibarchiveExtract(LhaArchive(stream, expected), extracted, error)) << error;
  EXPECT_EQ(extracted, expected);
}

TEST_F(ZCompressTest, DecodesCodesOfUpTo16Bits) {
  // Literals 0..16 with code lengths 1, 2, ..., 15, 16, 16: canonical codes
  // "0", "10", "110", ..., fourteen 1s and a 0, then 0xFFFE and 0xFFFF.
  Bits b;
  b.Put(16, 17);
  // Code-length code: symbols 3..18 (lengths 1..16) all of 4 bits, so
  // length L is sent as L - 1 in 4 bits.
  b.Put(5, 19).Put(3, 0).Put(3, 0).Put(3, 0).Put(2, 0);
  for (int t = 3; t < 19; ++t) b.Put(3, 4);
  auto length = [](int sym) { return sym < 15 ? sym + 1 : 16; };
  b.Put(9, 17);
  for (int sym = 0; sym < 17; ++sym) b.Put(4, length(sym) - 1);
  b.Put(4, 0).Put(4, 0);  // no matches
  Bytes expected;
  for (int sym = 16; sym >= 0; --sym) {
    const std::uint32_t code = sym < 15 ? (1u << (sym + 1)) - 2 : 0xFFFE + (sym - 15);
    b.Put(length(sym), code);
    expected.push_back(static_cast<unsigned char>(sym));
  }
  ExpectBothDecode(b.bytes(), expected);
}

TEST_F(ZCompressTest, DecodesStreamsOtherEncodersMayWrite) {
  // A block whose tables are single values: symbols of no bits.
  EXPECT_EQ(Decode(Bits().SingleBlock(3, 'Q').bytes()), ToBytes("QQQ"));
  // A literal block, then a block of matches of 256 at distance 1.
  EXPECT_EQ(Decode(Bits().SingleBlock(1, 'z').SingleBlock(4, 509, 0).bytes()),
            Bytes(1 + 4 * 256, 'z'));
  // A match of 5 at distance 3 (position code 2, extra bit 0) repeats "abc".
  ExpectBothDecode(Bits().SingleBlock(1, 'a').SingleBlock(1, 'b').SingleBlock(1, 'c')
                       .SingleBlock(1, 256 + 2, 2).Put(1, 0).bytes(),
                   ToBytes("abcabcab"));
  // The ar002 coder's stream for an empty file: one block of 0 symbols.
  bool ok = false;
  EXPECT_TRUE(Decode(Bytes(7, 0), &ok).empty());
  EXPECT_TRUE(ok);
  // An empty block between two others is skipped.
  EXPECT_EQ(Decode(Bits().SingleBlock(2, 'k').SingleBlock(0, 300).SingleBlock(1, 'm').bytes()),
            ToBytes("kkm"));
}

TEST_F(ZCompressTest, RefusesDamagedStreams) {
  // Each stream is whole and would decode but for its one fault. Pieces:
  // a block of one symbol; tables sent as single values; a code-length code
  // of lengths 1,1 for its symbols 3 and 4 ("0" sends a literal/length code
  // length of 1, "1" a length of 2).
  auto head = [] { return Bits().Put(16, 1); };
  auto singleT = [](Bits& b) { b.Put(5, 0).Put(5, 0); };
  auto singleC = [](Bits& b) { b.Put(9, 0).Put(9, 'a'); };
  auto singleP = [](Bits& b) { b.Put(4, 0).Put(4, 0); };
  auto tTwo = [](Bits& b) { b.Put(5, 5).Put(3, 0).Put(3, 0).Put(3, 0).Put(2, 0).Put(3, 1).Put(3, 1); };
  struct Case {
    const char* what;
    Bytes stream;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, const Bits& b) { cases.push_back({what, b.bytes()}); };
  {
    Bits b = head();
    b.Put(5, 20);
    add("code-length table larger than 19", b);
  }
  {
    Bits b = head();
    b.Put(5, 0).Put(5, 19);
    singleC(b);
    singleP(b);
    add("code-length value 19", b);
  }
  {
    Bits b = head();
    singleT(b);
    b.Put(9, 511);
    add("literal/length table larger than 510", b);
  }
  {
    Bits b = head();
    singleT(b);
    b.Put(9, 0).Put(9, 510);
    singleP(b);
    add("literal/length value 510", b);
  }
  {
    Bits b = head();
    singleT(b);
    singleC(b);
    b.Put(4, 15);
    add("position table larger than 14", b);
  }
  {
    Bits b = head();
    singleT(b);
    singleC(b);
    b.Put(4, 0).Put(4, 14);
    add("position value 14", b);
  }
  struct TableCase {
    const char* what;
    std::vector<int> lengths;  // of the code-length code, 3 bits each
  };
  for (const TableCase& t : {TableCase{"oversubscribed code lengths 1,1,1", {1, 1, 1}},
                             TableCase{"incomplete code lengths 1,2", {1, 2}},
                             TableCase{"no code lengths at all", {0, 0}}}) {
    Bits b = head();
    b.Put(5, static_cast<std::uint32_t>(t.lengths.size()));
    for (std::size_t i = 0; i < t.lengths.size(); ++i) {
      b.Put(3, static_cast<std::uint32_t>(t.lengths[i]));
      if (i == 2) b.Put(2, 0);
    }
    singleC(b);
    singleP(b);
    add(t.what, b);
  }
  {
    Bits b = head();
    b.Put(5, 3).Put(3, 7).Put(10, 0x3FF).Put(1, 0).Put(3, 1).Put(3, 1).Put(2, 0);  // 17, 1, 1
    singleC(b);
    singleP(b);
    add("code length 17", b);
  }
  {
    Bits b = head();
    b.Put(5, 4).Put(3, 1).Put(3, 1).Put(3, 0).Put(2, 2);  // two zeros past the 4th entry
    singleC(b);
    singleP(b);
    add("zero count past the table's size", b);
  }
  {
    Bits b = head();
    tTwo(b);
    b.Put(9, 3).Put(1, 0).Put(1, 0).Put(1, 0);  // lengths 1,1,1
    singleP(b);
    b.Put(1, 0);
    add("oversubscribed literal/length lengths", b);
  }
  {
    Bits b = head();
    tTwo(b);
    b.Put(9, 2).Put(1, 0).Put(1, 1);  // lengths 1,2
    singleP(b);
    b.Put(1, 0);
    add("incomplete literal/length lengths", b);
  }
  {
    // Code-length code: symbol 2 -> "0", symbol 3 -> "1". Lengths 1,1 and
    // then a run of 21 zeros in a table of 22.
    Bits b = head();
    b.Put(5, 4).Put(3, 0).Put(3, 0).Put(3, 1).Put(2, 0).Put(3, 1);
    b.Put(9, 22).Put(1, 1).Put(1, 1).Put(1, 0).Put(9, 1);
    singleP(b);
    b.Put(1, 0);
    add("zero run past the table's size", b);
  }
  {
    Bits b = head();
    singleT(b);
    singleC(b);
    b.Put(4, 3).Put(3, 1).Put(3, 1).Put(3, 1);
    add("oversubscribed position lengths", b);
  }
  add("match before the start of the output", Bits().SingleBlock(1, 256, 0));
  add("match reaching one byte too far",
      Bits().SingleBlock(2, 'a').SingleBlock(1, 256, 2).Put(1, 0));  // distance 3 after 2 bytes
  add("non-zero padding", Bits().SingleBlock(1, 'a').Put(4, 1));
  add("a stray byte after the last block", Bits().SingleBlock(1, 'a').Put(4, 0).Put(8, 0));
  {
    // A valid start whose block promises more symbols than the input holds.
    Bytes s = Lh5Encode(DrawingText(5000, 11));
    s.resize(s.size() / 2);
    cases.push_back({"cut in half", s});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes out{1, 2, 3};
    std::string reason;
    EXPECT_FALSE(Lh5Decode(c.stream, out, &reason));
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(reason, "ファイルが壊れています。");
  }
}

TEST_F(ZCompressTest, OutputLimitStopsExpansion) {
  // 13 bytes that expand to 16 MB: a literal, then 65 535 matches of 256 in no bits.
  const Bytes bomb = Bits().SingleBlock(1, 'b').SingleBlock(65535, 509, 0).bytes();
  ASSERT_LE(bomb.size(), 14u);
  Bytes out;
  std::string reason;
  EXPECT_FALSE(Lh5Decode(bomb, out, &reason, 1 << 20));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(reason, "展開後のデータが大きすぎます。");
  EXPECT_TRUE(Lh5Decode(bomb, out, &reason, 1 + 65535u * 256));
  EXPECT_EQ(out.size(), 1 + 65535u * 256);
  EXPECT_FALSE(Lh5Decode(bomb, out, &reason, 65535u * 256));
}

TEST_F(ZCompressTest, TruncatedStreamsFailOrGiveAPrefix) {
  // One block: every cut but the empty one is detected.
  const Bytes small = DrawingText(3000, 12);
  const Bytes s1 = Lh5Encode(small);
  for (std::size_t n = 1; n < s1.size(); ++n) {
    bool ok = true;
    Decode(Bytes(s1.begin(), s1.begin() + n), &ok);
    EXPECT_FALSE(ok) << "cut at " << n;
  }
  // Several blocks: a cut right after a block cannot be told from the end
  // of a stream, but it never yields anything but the start of the data.
  const Bytes big = RandomBytes(14535, 20);  // about a block of literals
  Bytes multi = big;
  multi.insert(multi.end(), big.begin(), big.end());
  multi.insert(multi.end(), big.begin(), big.end());
  const Bytes s2 = Lh5Encode(multi);
  int refused = 0, cuts = 0;
  for (std::size_t n = 1; n < s2.size(); n += 97, ++cuts) {
    bool ok = false;
    const Bytes out = Decode(Bytes(s2.begin(), s2.begin() + n), &ok);
    if (!ok) {
      ++refused;
      continue;
    }
    ASSERT_LT(out.size(), multi.size()) << "cut at " << n;
    EXPECT_TRUE(std::equal(out.begin(), out.end(), multi.begin())) << "cut at " << n;
  }
  EXPECT_GE(refused, cuts - 2);
}

TEST_F(ZCompressTest, MutatedStreamsNeverOverrun) {
  // Under the sanitizers: bit flips, byte changes, insertions and cuts of
  // real streams; each decode is bounded by a small output limit.
  std::vector<Bytes> seeds = {Lh5Encode(DrawingText(20000, 13)), Lh5Encode(SkewedMatches(14)),
                              Lh5Encode(Bytes(50000, 7)), Lh5Encode(RandomBytes(3000, 15))};
  std::mt19937 rng(16);
  constexpr std::uint64_t kLimit = 1 << 20;
  int refused = 0, runs = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes s = seeds[round % seeds.size()];
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !s.empty(); ++e) {
      const std::size_t at = rng() % s.size();
      switch (rng() % 4) {
        case 0: s[at] ^= static_cast<unsigned char>(1u << (rng() % 8)); break;
        case 1: s[at] = static_cast<unsigned char>(rng()); break;
        case 2: s.insert(s.begin() + at, static_cast<unsigned char>(rng())); break;
        case 3: s.resize(at); break;
      }
    }
    Bytes out;
    std::string reason;
    const bool ok = Lh5Decode(s, out, &reason, kLimit);
    ++runs;
    if (!ok) {
      ++refused;
      EXPECT_TRUE(out.empty());
      EXPECT_FALSE(reason.empty());
    }
    EXPECT_LE(out.size(), kLimit);
  }
  // Most damage is caught (a flipped bit in a literal's code is not damage
  // the format can show).
  EXPECT_GT(refused, runs * 3 / 4);
}

// --- Header and files ----------------------------------------------------

TEST_F(ZCompressTest, HeaderIsTheSignaturePaddedTo32) {
  const Bytes h = CompressHeader(kVlzSignature);
  ASSERT_EQ(h.size(), 32u);
  EXPECT_EQ(Bytes(h.begin(), h.begin() + 7), ToBytes("CMP-VLD"));
  EXPECT_EQ(std::count(h.begin() + 7, h.end(), 0), 25);
  const std::string longSig(40, 'S');
  EXPECT_EQ(CompressHeader(longSig), Bytes(32, 'S'));

  const Bytes file = CompressBytes(kVlzSignature, ToBytes("LINE,1,2"));
  Bytes out;
  EXPECT_TRUE(DecompressBytes(kVlzSignature, file, out));
  EXPECT_EQ(out, ToBytes("LINE,1,2"));
  EXPECT_TRUE(DecompressBytes(longSig, CompressBytes(longSig, ToBytes("x")), out));
  EXPECT_EQ(out, ToBytes("x"));
  EXPECT_EQ(CompressBytes(kVlzSignature, {}), h);
  // A header cut short is damage even when its text matches.
  std::string reason;
  EXPECT_FALSE(DecompressBytes(kVlzSignature, Bytes(h.begin(), h.begin() + 20), out, &reason));
  EXPECT_EQ(reason, "ファイルが壊れています。");
}

class ZCompressFileTest : public ZCompressTest {
protected:
  void SetUp() override {
    ZCompressTest::SetUp();
    dir_ = fs::temp_directory_path() /
           ("velmo-zcompress-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
    ZCompressTest::TearDown();
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }
  static void Write(const fs::path& p, const Bytes& b) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  static Bytes Read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
  }
  // The names in the folder, to see that no temporary file is left.
  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const auto& e : fs::directory_iterator(dir_)) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
  }
  fs::path dir_;
};

TEST_F(ZCompressFileTest, FileRoundTripReplacesTheTarget) {
  const Bytes data = DrawingText(150000, 17);
  Write(Path("a.vld"), data);
  Write(Path("a.vlz"), ToBytes("old contents"));
  std::string reason;
  const std::uint64_t n = CompressFile(kVlzSignature, Path("a.vlz"), Path("a.vld"), &reason);
  EXPECT_EQ(n, fs::file_size(Path("a.vlz"))) << reason;
  const Bytes packed = Read(Path("a.vlz"));
  EXPECT_EQ(packed, CompressBytes(kVlzSignature, data));

  Write(Path("b.vld"), ToBytes("old contents"));
  EXPECT_TRUE(DecompressFile(kVlzSignature, Path("b.vld"), Path("a.vlz"), &reason)) << reason;
  EXPECT_EQ(Read(Path("b.vld")), data);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.vld", "a.vlz", "b.vld"}));

  // In place: the source is read before it is replaced.
  EXPECT_TRUE(DecompressFile(kVlzSignature, Path("a.vlz"), Path("a.vlz")));
  EXPECT_EQ(Read(Path("a.vlz")), data);
}

TEST_F(ZCompressFileTest, EmptySourceGivesTheHeaderAlone) {
  Write(Path("empty.vld"), {});
  EXPECT_EQ(CompressFile(kVlzSignature, Path("e.vlz"), Path("empty.vld")), 32u);
  EXPECT_EQ(Read(Path("e.vlz")), CompressHeader(kVlzSignature));
  Write(Path("out.vld"), ToBytes("something"));
  EXPECT_TRUE(DecompressFile(kVlzSignature, Path("out.vld"), Path("e.vlz")));
  EXPECT_TRUE(fs::exists(Path("out.vld")));
  EXPECT_EQ(fs::file_size(Path("out.vld")), 0u);
}

TEST_F(ZCompressFileTest, MissingSourceCreatesNothing) {
  std::string reason;
  EXPECT_EQ(CompressFile(kVlzSignature, Path("t.vlz"), Path("none.vld"), &reason), 0u);
  EXPECT_EQ(reason, "ファイルが見つかりません。");
  EXPECT_FALSE(DecompressFile(kVlzSignature, Path("t.vld"), Path("none.vlz"), &reason));
  EXPECT_TRUE(Names().empty());
}

TEST_F(ZCompressFileTest, OtherSignatureIsRefusedWithoutTarget) {
  Write(Path("a.vlz"), CompressBytes(kVlzSignature, ToBytes("LINE,1,2,0,0,10,10\r\n")));
  for (const char* other : {"CMP-VLE", "CMP-VL", "CMP-VLDX", "cmp-vld", "DMP-VLD", ""}) {
    SCOPED_TRACE(other);
    std::string reason;
    EXPECT_FALSE(DecompressFile(other, Path("t.vld"), Path("a.vlz"), &reason));
    EXPECT_EQ(reason, "ファイルの形式が違います。");
    EXPECT_FALSE(fs::exists(Path("t.vld")));
  }
  EXPECT_TRUE(DecompressFile("CMP-VLD", Path("t.vld"), Path("a.vlz")));
}

// Asked for, a stream cut anywhere gives the bytes decoded before the cut:
// always the start of the data, and most of it when little was cut.
TEST_F(ZCompressFileTest, ACutStreamGivesItsFirstPartWhenAsked) {
  const Bytes data = DrawingText(120000, 7);
  const Bytes packed = CompressBytes(kVlzSignature, data);
  const std::size_t stream = packed.size() - kCompressHeaderSize;
  for (std::size_t keep : {stream / 10, stream / 2, stream * 9 / 10, stream - 1}) {
    SCOPED_TRACE("stream bytes kept " + std::to_string(keep));
    Write(Path("cut.vlz"), Bytes(packed.begin(), packed.begin() + static_cast<long>(kCompressHeaderSize + keep)));
    std::string reason;
    bool damaged = false;
    ASSERT_TRUE(DecompressFile(kVlzSignature, Path("t.vld"), Path("cut.vlz"), &reason, &damaged));
    EXPECT_TRUE(damaged);
    EXPECT_EQ(reason, "ファイルが壊れています。");
    const Bytes out = Read(Path("t.vld"));
    ASSERT_LT(out.size(), data.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin()));
    // The bytes lost are about those the cut took, not more.
    EXPECT_GT(out.size(), data.size() * keep / stream * 8 / 10);
  }
  // Without asking, the same cut is a failure.
  bool damaged = true;
  EXPECT_FALSE(DecompressFile(kVlzSignature, Path("t2.vld"), Path("cut.vlz"), nullptr, nullptr));
  // A whole stream is not damaged.
  Write(Path("whole.vlz"), packed);
  ASSERT_TRUE(DecompressFile(kVlzSignature, Path("t.vld"), Path("whole.vlz"), nullptr, &damaged));
  EXPECT_FALSE(damaged);
  EXPECT_EQ(Read(Path("t.vld")), data);
}

TEST_F(ZCompressFileTest, FailureLeavesTheExistingTarget) {
  const Bytes old = ToBytes("the previous drawing");
  // A damaged stream.
  Bytes packed = CompressBytes(kVlzSignature, DrawingText(40000, 18));
  packed.resize(packed.size() - 10);
  Write(Path("cut.vlz"), packed);
  Write(Path("t.vld"), old);
  std::string reason;
  EXPECT_FALSE(DecompressFile(kVlzSignature, Path("t.vld"), Path("cut.vlz"), &reason));
  EXPECT_EQ(reason, "ファイルが壊れています。");
  EXPECT_EQ(Read(Path("t.vld")), old);
  // A source that cannot be read (a folder).
  fs::create_directory(Path("folder.vld"));
  Write(Path("t.vlz"), old);
  EXPECT_EQ(CompressFile(kVlzSignature, Path("t.vlz"), Path("folder.vld"), &reason), 0u);
  EXPECT_EQ(reason, "ファイルを読み込めません。");
  EXPECT_EQ(Read(Path("t.vlz")), old);
  // A target that cannot be replaced (a folder by that name).
  Write(Path("src.vld"), ToBytes("LINE"));
  fs::create_directory(Path("dir.vlz"));
  EXPECT_EQ(CompressFile(kVlzSignature, Path("dir.vlz"), Path("src.vld"), &reason), 0u);
  EXPECT_EQ(reason, "ファイルに書き込めません。");
  EXPECT_TRUE(fs::is_directory(Path("dir.vlz")));
  // A folder that does not exist.
  EXPECT_EQ(CompressFile(kVlzSignature, Path("no/such.vlz"), Path("src.vld"), &reason), 0u);
  EXPECT_EQ(Names(), (std::vector<std::string>{"cut.vlz", "dir.vlz", "folder.vld", "src.vld",
                                               "t.vld", "t.vlz"}));
}

TEST_F(ZCompressFileTest, UnwritableFolderLeavesTheExistingTarget) {
  Write(Path("src.vld"), DrawingText(1000, 19));
  Write(Path("src.vlz"), CompressBytes(kVlzSignature, DrawingText(1000, 19)));
  std::string reason;
  // /proc takes no new files, not even from root.
  const fs::path proc = "/proc/version";
  const Bytes before = Read(proc);
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(CompressFile(kVlzSignature, proc, Path("src.vld"), &reason), 0u);
  EXPECT_EQ(reason, "ファイルに書き込めません。");
  EXPECT_FALSE(DecompressFile(kVlzSignature, proc, Path("src.vlz"), &reason));
  EXPECT_EQ(Read(proc), before);
  // A folder without write permission, for users other than root.
  if (::geteuid() == 0) return;
  fs::create_directory(Path("ro"));
  Write(Path("ro/t.vlz"), ToBytes("kept"));
  fs::permissions(Path("ro"), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(CompressFile(kVlzSignature, Path("ro/t.vlz"), Path("src.vld"), &reason), 0u);
  EXPECT_EQ(reason, "ファイルに書き込めません。");
  fs::permissions(Path("ro"), fs::perms::owner_all);
  EXPECT_EQ(Read(Path("ro/t.vlz")), ToBytes("kept"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"ro", "src.vld", "src.vlz"}));
}

TEST_F(ZCompressFileTest, ReplacingKeepsTheTargetsPermissionsAndLinks) {
  Write(Path("src.vld"), ToBytes("LINE,1"));
  Write(Path("real.vlz"), ToBytes("old"));
  fs::permissions(Path("real.vlz"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real.vlz", Path("link.vlz"));
  EXPECT_GT(CompressFile(kVlzSignature, Path("link.vlz"), Path("src.vld")), 0u);
  EXPECT_TRUE(fs::is_symlink(Path("link.vlz")));
  EXPECT_EQ(Read(Path("real.vlz")), CompressBytes(kVlzSignature, ToBytes("LINE,1")));
  EXPECT_EQ(fs::status(Path("real.vlz")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
