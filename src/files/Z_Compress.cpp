#include "files/Z_Compress.h"

#include "kernel/ReplaceFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// -lh5- parameters.
constexpr int kDicBits = 13;
constexpr int kDicSize = 1 << kDicBits;  // 8192-byte dictionary
constexpr int kMaxMatch = 256;
constexpr int kThreshold = 3;                              // shortest match
constexpr int kNC = 255 + kMaxMatch + 2 - kThreshold;      // 510 literal/length symbols
constexpr int kNP = kDicBits + 1;                          // 14 position symbols
constexpr int kNT = 19;                                    // code-length symbols
constexpr int kCBits = 9, kTBits = 5, kPBits = 4;          // table size fields
constexpr int kMaxCodeBits = 16;
constexpr int kCTableBits = 12, kPTTableBits = 8;          // decoder lookup widths

// Symbols are buffered as LHA's ar002 coder does: a 16 KB buffer counting one
// flag byte per 8 symbols, one byte per literal and three per match; the
// block is sent when fewer than 24 bytes are free.
constexpr int kBlockBuffer = 16384;
constexpr int kBlockMaxSymbols = kBlockBuffer;  // more than the buffer can count

constexpr const char* kMsgMissing = "ファイルが見つかりません。";
constexpr const char* kMsgRead = "ファイルを読み込めません。";
constexpr const char* kMsgWrite = "ファイルに書き込めません。";
constexpr const char* kMsgFormat = "ファイルの形式が違います。";
constexpr const char* kMsgDamaged = "ファイルが壊れています。";
constexpr const char* kMsgTooLarge = "展開後のデータが大きすぎます。";

void SetReason(std::string* reason, const char* text) {
  if (reason) *reason = text;
}

// ---------------------------------------------------------------------------
// Byte streams, moved in chunks.

class ByteSource {
public:
  virtual ~ByteSource() = default;
  // Up to n bytes into buf; 0 at the end of the input (or on an error).
  virtual std::size_t Read(unsigned char* buf, std::size_t n) = 0;
};

class ByteSink {
public:
  virtual ~ByteSink() = default;
  virtual bool Write(const unsigned char* p, std::size_t n) = 0;
};

class SpanSource final : public ByteSource {
public:
  explicit SpanSource(std::span<const unsigned char> s) : s_(s) {}
  std::size_t Read(unsigned char* buf, std::size_t n) override {
    n = std::min(n, s_.size() - pos_);
    if (n) std::memcpy(buf, s_.data() + pos_, n);
    pos_ += n;
    return n;
  }

private:
  std::span<const unsigned char> s_;
  std::size_t pos_ = 0;
};

class VectorSink final : public ByteSink {
public:
  explicit VectorSink(std::vector<unsigned char>& v) : v_(v) {}
  bool Write(const unsigned char* p, std::size_t n) override {
    v_.insert(v_.end(), p, p + n);
    return true;
  }

private:
  std::vector<unsigned char>& v_;
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class FileSource final : public ByteSource {
public:
  explicit FileSource(std::FILE* f) : f_(f) {}
  std::size_t Read(unsigned char* buf, std::size_t n) override {
    const std::size_t got = std::fread(buf, 1, n, f_);
    if (got < n && std::ferror(f_)) failed_ = true;
    return got;
  }
  bool failed() const { return failed_; }

private:
  std::FILE* f_;
  bool failed_ = false;
};

class FileSink final : public ByteSink {
public:
  explicit FileSink(std::FILE* f) : f_(f) {}
  bool Write(const unsigned char* p, std::size_t n) override {
    return std::fwrite(p, 1, n, f_) == n;
  }

private:
  std::FILE* f_;
};

// ---------------------------------------------------------------------------
// Huffman codes.

// Canonical codes from lengths: shorter codes first, equal lengths in symbol
// order; the decoder assigns them the same way.
void MakeCodes(const std::uint8_t* len, int n, std::uint16_t* code) {
  std::array<std::uint32_t, kMaxCodeBits + 2> count{}, next{};
  for (int i = 0; i < n; ++i) ++count[len[i]];
  count[0] = 0;
  for (int l = 1; l <= kMaxCodeBits; ++l) next[l + 1] = (next[l] + count[l]) << 1;
  for (int i = 0; i < n; ++i)
    code[i] = len[i] ? static_cast<std::uint16_t>(next[len[i]]++) : 0;
}

// The value a table of a single used symbol (or none) is sent with.
int OnlySymbol(const std::uint32_t* freq, int n) {
  for (int i = 0; i < n; ++i)
    if (freq[i]) return i;
  return 0;
}

int UsedSymbols(const std::uint32_t* freq, int n) {
  return static_cast<int>(std::count_if(freq, freq + n, [](std::uint32_t f) { return f != 0; }));
}

}  // namespace

void Lh5CodeLengths(std::span<const std::uint32_t> freq, std::span<std::uint8_t> lengths,
                    int maxBits) {
  const int n = static_cast<int>(freq.size());
  std::fill(lengths.begin(), lengths.end(), std::uint8_t{0});
  // Used symbols by rising frequency (ties by symbol).
  std::vector<int> order;
  for (int i = 0; i < n; ++i)
    if (freq[i]) order.push_back(i);
  const int m = static_cast<int>(order.size());
  if (m < 2) return;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return freq[a] < freq[b]; });

  // Huffman tree by the two-queue method: leaves 0..m-1 in rising weight,
  // internal nodes m..2m-2 are made in rising weight too.
  std::vector<std::uint64_t> weight(2 * m - 1);
  std::vector<int> parent(2 * m - 1, -1);
  for (int i = 0; i < m; ++i) weight[i] = freq[order[i]];
  int leaf = 0, node = m;
  auto take = [&](int made) {
    if (leaf < m && (node >= made || weight[leaf] <= weight[node])) return leaf++;
    return node++;
  };
  for (int made = m; made < 2 * m - 1; ++made) {
    const int a = take(made), b = take(made);
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = made;
  }
  // Depths, parents before children; leaves deeper than maxBits are counted
  // at maxBits and the sum is put right below.
  std::vector<int> depth(2 * m - 1, 0);
  std::vector<std::uint32_t> count(maxBits + 1, 0);
  for (int k = 2 * m - 3; k >= 0; --k) depth[k] = depth[parent[k]] + 1;
  for (int i = 0; i < m; ++i) ++count[std::min(depth[i], maxBits)];
  std::uint64_t kraft = 0;
  for (int l = 1; l <= maxBits; ++l) kraft += std::uint64_t{count[l]} << (maxBits - l);
  // Each step turns a leaf of maxBits into a child of a shallower leaf that
  // is split in two: the sum drops by one unit and the leaf count stays.
  while (kraft > (std::uint64_t{1} << maxBits)) {
    --count[maxBits];
    for (int l = maxBits - 1; l > 0; --l) {
      if (count[l]) {
        --count[l];
        count[l + 1] += 2;
        break;
      }
    }
    --kraft;
  }
  // The rarest symbols get the longest codes.
  int k = 0;
  for (int l = maxBits; l >= 1; --l)
    for (std::uint32_t c = 0; c < count[l]; ++c) lengths[order[k++]] = static_cast<std::uint8_t>(l);
}

namespace {

// ---------------------------------------------------------------------------
// Encoder.

class BitWriter {
public:
  explicit BitWriter(ByteSink& sink) : sink_(sink) {}
  // The low n bits of v (n <= 16), most significant first.
  void Put(int n, std::uint32_t v) {
    acc_ = (acc_ << n) | (v & ((1u << n) - 1));
    bits_ += n;
    while (bits_ >= 8) {
      bits_ -= 8;
      buf_[used_++] = static_cast<unsigned char>(acc_ >> bits_);
    }
    if (used_ > kBuf - 8) Flush();
  }
  // Pads the last byte with zero bits and writes everything out.
  bool Finish() {
    if (bits_ > 0) Put(8 - bits_, 0);
    Flush();
    return ok_;
  }
  std::uint64_t written() const { return written_ + used_; }
  bool ok() const { return ok_; }

private:
  static constexpr std::size_t kBuf = 65536;
  void Flush() {
    if (used_ && ok_) ok_ = sink_.Write(buf_.data(), used_);
    written_ += used_;
    used_ = 0;
  }
  ByteSink& sink_;
  std::array<unsigned char, kBuf> buf_;
  std::size_t used_ = 0;
  std::uint64_t acc_ = 0;
  int bits_ = 0;
  std::uint64_t written_ = 0;
  bool ok_ = true;
};

class Lh5Encoder {
public:
  Lh5Encoder(ByteSource& src, ByteSink& sink) : src_(src), out_(sink) {
    win_.resize(kWindow);
    head_.assign(kHashSize, -1);
    prev_.assign(kDicSize, -1);
    sym_.resize(kBlockMaxSymbols);
    pos_.resize(kBlockMaxSymbols);
  }

  // Encodes the whole source; false when the sink failed.
  bool Run() {
    std::int64_t pos = 0;
    int prevLen = 0, prevDist = 0;
    bool pending = false;  // the byte before pos waits for the lazy decision
    for (;;) {
      Fill(pos);
      if (pos >= avail_) break;
      const int room = static_cast<int>(std::min<std::int64_t>(avail_ - pos, kMaxMatch));
      int curLen = 0, curDist = 0;
      if (room >= kHashLen) {
        if (!(pending && prevLen >= kLazyEnough))
          curLen = LongestMatch(pos, room, pending ? prevLen : 0, curDist);
        Insert(pos);
      }
      if (pending && prevLen >= kThreshold && curLen <= prevLen) {
        // The match from the byte before is at least as good: take it.
        PutSymbol(prevLen + 256 - kThreshold, prevDist - 1);
        const std::int64_t end = pos - 1 + prevLen;
        for (std::int64_t q = pos + 1; q < end; ++q)
          if (avail_ - q >= kHashLen) Insert(q);
        pos = end;
        pending = false;
        prevLen = 0;
        if (!out_.ok()) return false;
        continue;
      }
      if (pending) PutSymbol(At(pos - 1), 0);
      prevLen = curLen;
      prevDist = curDist;
      pending = true;
      ++pos;
    }
    if (pending) {
      if (prevLen >= kThreshold)
        PutSymbol(prevLen + 256 - kThreshold, prevDist - 1);
      else
        PutSymbol(At(pos - 1), 0);
    }
    if (nsym_ > 0) SendBlock();
    return out_.Finish();
  }

  std::uint64_t written() const { return out_.written(); }

private:
  // Window: the dictionary behind the current position, the lookahead and
  // room to read ahead in large chunks.
  static constexpr int kLookahead = kMaxMatch + kThreshold;
  static constexpr std::int64_t kWindow = 65536 + kDicSize + 2 * kMaxMatch;
  // Positions are chained by a hash of their first 4 bytes: matches of 3
  // bytes are not looked for, as they rarely pay for their position code and
  // chains of 3 bytes are long in drawing text.
  static constexpr int kHashLen = 4;
  static constexpr int kHashBits = 15;
  static constexpr int kHashSize = 1 << kHashBits;
  // Match search effort: candidates per position (a quarter of them once
  // the pending match has kGoodLength bytes), a length that ends the search
  // at once, and a pending length after which the next position is not tried.
  static constexpr int kMaxChain = 64;
  static constexpr int kGoodLength = 16;
  static constexpr int kNiceLength = 128;
  static constexpr int kLazyEnough = 32;

  unsigned char At(std::int64_t p) const { return win_[static_cast<std::size_t>(p - base_)]; }

  void Fill(std::int64_t pos) {
    while (!eof_ && avail_ - pos < kLookahead) {
      if (avail_ - base_ == kWindow) {
        const std::int64_t keep = pos - kDicSize;
        std::memmove(win_.data(), win_.data() + (keep - base_), static_cast<std::size_t>(avail_ - keep));
        base_ = keep;
      }
      const std::size_t got = src_.Read(win_.data() + (avail_ - base_),
                                        static_cast<std::size_t>(kWindow - (avail_ - base_)));
      if (got == 0)
        eof_ = true;
      else
        avail_ += static_cast<std::int64_t>(got);
    }
  }

  int Hash(std::int64_t p) const {
    const unsigned char* s = win_.data() + (p - base_);
    const std::uint32_t v = (std::uint32_t{s[0]} << 24) | (std::uint32_t{s[1]} << 16) | (std::uint32_t{s[2]} << 8) | s[3];
    return static_cast<int>((v * 2654435761u) >> (32 - kHashBits));
  }

  void Insert(std::int64_t p) {
    const int h = Hash(p);
    prev_[p & (kDicSize - 1)] = head_[h];
    head_[h] = p;
  }

  // Longest earlier match within the dictionary of at most maxLen bytes and
  // longer than `beat` (the pending match, which wins ties); 0 when none of
  // kThreshold bytes or more.
  int LongestMatch(std::int64_t pos, int maxLen, int beat, int& dist) {
    if (beat >= maxLen) return 0;
    const unsigned char* cur = win_.data() + (pos - base_);
    int best = std::max(beat, kThreshold - 1);
    // Less effort when the pending match is already good.
    int chain = beat >= kGoodLength ? kMaxChain / 4 : kMaxChain;
    for (std::int64_t cand = head_[Hash(pos)]; cand >= 0 && pos - cand <= kDicSize && chain-- > 0;
         cand = prev_[cand & (kDicSize - 1)]) {
      const unsigned char* c = win_.data() + (cand - base_);
      if (c[best] != cur[best] || c[0] != cur[0] || c[1] != cur[1]) continue;
      const int len = CommonLength(c, cur, maxLen);
      if (len > best) {
        best = len;
        dist = static_cast<int>(pos - cand);
        if (len >= maxLen || len >= kNiceLength) break;
      }
    }
    return best > beat && best >= kThreshold ? best : 0;
  }

  // How many bytes a and b have in common at their start, at most n; eight
  // at a time where the byte order allows.
  static int CommonLength(const unsigned char* a, const unsigned char* b, int n) {
    int len = 0;
    if constexpr (std::endian::native == std::endian::little) {
      while (len + 8 <= n) {
        std::uint64_t x, y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        if (x != y) return len + std::countr_zero(x ^ y) / 8;
        len += 8;
      }
    }
    while (len < n && a[len] == b[len]) ++len;
    return len;
  }

  // A literal (c < 256, p unused) or a match (c = length + 253, p = distance - 1).
  void PutSymbol(int c, int p) {
    if ((nsym_ & 7) == 0) {
      if (bufUsed_ >= kBlockBuffer - 24) SendBlock();
      ++bufUsed_;  // the group's flag byte
    }
    sym_[nsym_] = static_cast<std::uint16_t>(c);
    pos_[nsym_] = static_cast<std::uint16_t>(p);
    ++nsym_;
    ++cfreq_[c];
    if (c >= 256) {
      bufUsed_ += 3;
      ++pfreq_[BitLength(p)];
    } else {
      bufUsed_ += 1;
    }
  }

  static int BitLength(unsigned v) {
    int n = 0;
    while (v) {
      v >>= 1;
      ++n;
    }
    return n;
  }

  // Code lengths in LHA's 3-bit / unary form, and after the entry
  // `special` a 2-bit count of the zero lengths that follow (up to entry 6).
  void WritePtLen(const std::uint8_t* len, int n, int nbit, int special) {
    while (n > 0 && len[n - 1] == 0) --n;
    out_.Put(nbit, n);
    int i = 0;
    while (i < n) {
      const int k = len[i++];
      if (k <= 6)
        out_.Put(3, k);
      else
        out_.Put(k - 3, (1u << (k - 3)) - 2);  // 7 -> 1110, 8 -> 11110, ...
      if (i == special) {
        while (i < 6 && i < n && len[i] == 0) ++i;
        out_.Put(2, (i - 3) & 3);
      }
    }
  }

  // Walks the literal/length code lengths as the code-length alphabet sees
  // them: 0 = one zero, 1 = 3..18 zeros, 2 = 20..531 zeros, k + 2 = length k.
  template <class F>
  static void ForEachCLenSymbol(const std::uint8_t* clen, F&& f) {
    int n = kNC;
    while (n > 0 && clen[n - 1] == 0) --n;
    int i = 0;
    while (i < n) {
      const int k = clen[i++];
      if (k != 0) {
        f(k + 2, -1, 0);
        continue;
      }
      int run = 1;
      while (i < n && clen[i] == 0) {
        ++i;
        ++run;
      }
      if (run <= 2) {
        for (int j = 0; j < run; ++j) f(0, -1, 0);
      } else if (run <= 18) {
        f(1, 4, run - 3);
      } else if (run == 19) {
        f(0, -1, 0);
        f(1, 4, 15);
      } else {
        f(2, kCBits, run - 20);
      }
    }
  }

  void SendBlock() {
    std::array<std::uint8_t, kNC> clen{};
    std::array<std::uint16_t, kNC> ccode{};
    std::array<std::uint8_t, kNT> tlen{};
    std::array<std::uint16_t, kNT> tcode{};
    std::array<std::uint8_t, kNP> plen{};
    std::array<std::uint16_t, kNP> pcode{};

    out_.Put(16, static_cast<std::uint32_t>(nsym_));
    Lh5CodeLengths(cfreq_, clen, kMaxCodeBits);
    if (UsedSymbols(cfreq_.data(), kNC) >= 2) {
      MakeCodes(clen.data(), kNC, ccode.data());
      std::array<std::uint32_t, kNT> tfreq{};
      ForEachCLenSymbol(clen.data(), [&](int t, int, int) { ++tfreq[t]; });
      Lh5CodeLengths(tfreq, tlen, kMaxCodeBits);
      if (UsedSymbols(tfreq.data(), kNT) >= 2) {
        MakeCodes(tlen.data(), kNT, tcode.data());
        WritePtLen(tlen.data(), kNT, kTBits, 3);
      } else {
        out_.Put(kTBits, 0);
        out_.Put(kTBits, OnlySymbol(tfreq.data(), kNT));
      }
      int n = kNC;
      while (n > 0 && clen[n - 1] == 0) --n;
      out_.Put(kCBits, n);
      ForEachCLenSymbol(clen.data(), [&](int t, int extraBits, int extra) {
        out_.Put(tlen[t], tcode[t]);
        if (extraBits > 0) out_.Put(extraBits, extra);
      });
    } else {
      out_.Put(kTBits, 0);
      out_.Put(kTBits, 0);
      out_.Put(kCBits, 0);
      out_.Put(kCBits, OnlySymbol(cfreq_.data(), kNC));
    }
    Lh5CodeLengths(pfreq_, plen, kMaxCodeBits);
    if (UsedSymbols(pfreq_.data(), kNP) >= 2) {
      MakeCodes(plen.data(), kNP, pcode.data());
      WritePtLen(plen.data(), kNP, kPBits, -1);
    } else {
      out_.Put(kPBits, 0);
      out_.Put(kPBits, OnlySymbol(pfreq_.data(), kNP));
    }

    for (int i = 0; i < nsym_; ++i) {
      const int c = sym_[i];
      out_.Put(clen[c], ccode[c]);
      if (c >= 256) {
        const unsigned p = pos_[i];
        const int b = BitLength(p);
        out_.Put(plen[b], pcode[b]);
        if (b > 1) out_.Put(b - 1, p);  // the bits below the top one
      }
    }
    nsym_ = 0;
    bufUsed_ = 0;
    cfreq_.fill(0);
    pfreq_.fill(0);
  }

  ByteSource& src_;
  BitWriter out_;
  std::vector<unsigned char> win_;
  std::int64_t base_ = 0;   // stream position of win_[0]
  std::int64_t avail_ = 0;  // stream position after the last byte read
  bool eof_ = false;
  std::vector<std::int64_t> head_;  // latest position per hash, -1 for none
  std::vector<std::int64_t> prev_;  // the position before, per position mod 8192
  std::vector<std::uint16_t> sym_, pos_;
  int nsym_ = 0;
  int bufUsed_ = 0;
  std::array<std::uint32_t, kNC> cfreq_{};
  std::array<std::uint32_t, kNP> pfreq_{};
};

// ---------------------------------------------------------------------------
// Decoder.

// Reads bits most significant first through a 64-bit buffer. Past the end of
// the input it supplies zero bits and counts them, so that a decoder which
// used any of them can tell the stream was cut short.
class BitReader {
public:
  explicit BitReader(ByteSource& src) : src_(src) {}

  // At least 57 bits buffered (real or padding).
  void Refill() {
    while (bits_ <= 56) {
      unsigned b = 0;
      if (p_ == end_ && !eof_) Load();
      if (p_ < end_)
        b = buf_[p_++];
      else
        pad_ += 8;
      acc_ |= std::uint64_t{b} << (56 - bits_);
      bits_ += 8;
    }
  }
  std::uint32_t Peek16() const { return static_cast<std::uint32_t>(acc_ >> 48); }
  void Skip(int n) {
    acc_ <<= n;
    bits_ -= n;
  }
  // n <= 16 bits; call Refill first when fewer than n may be buffered.
  std::uint32_t Get(int n) {
    if (n == 0) return 0;
    const auto v = static_cast<std::uint32_t>(acc_ >> (64 - n));
    Skip(n);
    return v;
  }
  // True once bits beyond the end of the input were used.
  bool Overrun() const { return bits_ < pad_; }
  // The bits left in the input, or -1 when there are many (at least 57);
  // valid right after Refill.
  int BitsLeft() const { return pad_ > 0 ? bits_ - pad_ : -1; }

private:
  void Load() {
    end_ = src_.Read(buf_.data(), buf_.size());
    p_ = 0;
    if (end_ == 0) eof_ = true;
  }
  ByteSource& src_;
  std::array<unsigned char, 65536> buf_;
  std::size_t p_ = 0, end_ = 0;
  bool eof_ = false;
  std::uint64_t acc_ = 0;
  int bits_ = 0;
  int pad_ = 0;
};

// A canonical prefix code for decoding: a lookup of the first tableBits bits
// resolves the short codes; longer ones are found from the counts per length.
class HuffDecoder {
public:
  explicit HuffDecoder(int tableBits) : tableBits_(tableBits), table_(std::size_t{1} << tableBits) {}

  // A table sent as size 0: every code is `value`, in no bits.
  void SetSingle(int value) {
    single_ = true;
    value_ = static_cast<std::uint16_t>(value);
  }

  // False when the lengths (each 0..16) do not form a complete prefix code.
  bool Build(const std::uint8_t* len, int n) {
    single_ = false;
    count_.fill(0);
    for (int i = 0; i < n; ++i) ++count_[len[i]];
    count_[0] = 0;
    std::uint32_t kraft = 0;
    for (int l = 1; l <= kMaxCodeBits; ++l) kraft += count_[l] << (kMaxCodeBits - l);
    if (kraft != (1u << kMaxCodeBits)) return false;
    std::array<int, kMaxCodeBits + 2> offs{};
    for (int l = 1; l <= kMaxCodeBits; ++l) offs[l + 1] = offs[l] + count_[l];
    for (int i = 0; i < n; ++i)
      if (len[i]) symbols_[offs[len[i]]++] = static_cast<std::uint16_t>(i);
    // Short codes fill their slots; slots left 0 lead to longer codes.
    std::fill(table_.begin(), table_.end(), std::uint16_t{0});
    std::uint32_t code = 0;  // left-aligned to 16 bits
    int k = 0;
    for (int l = 1; l <= kMaxCodeBits; ++l) {
      for (std::uint32_t j = 0; j < count_[l]; ++j, ++k) {
        if (l <= tableBits_) {
          const std::uint32_t first = code >> (kMaxCodeBits - tableBits_);
          const std::uint32_t span = 1u << (tableBits_ - l);
          const auto entry = static_cast<std::uint16_t>(symbols_[k] | (l << 10));
          std::fill_n(table_.begin() + first, span, entry);
        }
        code += 1u << (kMaxCodeBits - l);
      }
    }
    return true;
  }

  // Decodes one symbol; the reader must hold 16 bits or more.
  int Decode(BitReader& br) const {
    if (single_) return value_;
    const std::uint32_t w = br.Peek16();
    const std::uint16_t e = table_[w >> (kMaxCodeBits - tableBits_)];
    if (e >> 10) {
      br.Skip(e >> 10);
      return e & 1023;
    }
    // Canonical decoding bit by bit: codes of length l are the values
    // first .. first + count[l] - 1.
    int code = 0, first = 0, index = 0;
    for (int l = 1; l <= kMaxCodeBits; ++l) {
      code |= static_cast<int>((w >> (kMaxCodeBits - l)) & 1);
      const int c = static_cast<int>(count_[l]);
      if (code - c < first) {
        br.Skip(l);
        return symbols_[index + (code - first)];
      }
      index += c;
      first = (first + c) << 1;
      code <<= 1;
    }
    return -1;  // unreachable for a complete code
  }

private:
  int tableBits_;
  bool single_ = true;
  std::uint16_t value_ = 0;
  std::array<std::uint32_t, kMaxCodeBits + 1> count_{};
  std::array<std::uint16_t, kNC> symbols_{};
  std::vector<std::uint16_t> table_;
};

enum class DecodeResult { Ok, Damaged, TooLarge, WriteFailed };

class Lh5Decoder {
public:
  Lh5Decoder(ByteSource& src, ByteSink& sink, std::uint64_t maxOutput)
      : br_(src), sink_(sink), maxOutput_(maxOutput), win_(kDicSize + kFlushAt + kMaxMatch) {}

  // Decodes to the end of the stream. On damage the bytes decoded before
  // the symbol that showed it are kept (KeepDecoded writes them).
  DecodeResult Run() {
    std::uint32_t blockLeft = 0;
    std::size_t& w = w_;  // next byte of win_
    for (;;) {
      good_ = w;
      br_.Refill();
      if (blockLeft == 0) {
        // A new block, unless the input ends here: fewer than 8 bits left,
        // all zero (the padding of the last byte).
        const int left = br_.BitsLeft();
        if (left >= 0 && left < 8) {
          if (left > 0 && br_.Get(left) != 0) return DecodeResult::Damaged;
          break;
        }
        blockLeft = br_.Get(16);
        if (!ReadPtLen(tdec_, kNT, kTBits, 3) || !ReadCLen() || !ReadPtLen(pdec_, kNP, kPBits, -1) ||
            br_.Overrun())
          return DecodeResult::Damaged;
        continue;
      }
      --blockLeft;
      const int c = cdec_.Decode(br_);
      if (c < 0) return DecodeResult::Damaged;
      if (c < 256) {
        if (total_ >= maxOutput_) return DecodeResult::TooLarge;
        win_[w++] = static_cast<unsigned char>(c);
        ++total_;
      } else {
        const int len = c - (256 - kThreshold);
        const int j = pdec_.Decode(br_);
        if (j < 0) return DecodeResult::Damaged;
        const std::uint32_t p = j == 0 ? 0 : (1u << (j - 1)) + br_.Get(j - 1);
        const std::uint32_t dist = p + 1;
        if (dist > total_) return DecodeResult::Damaged;  // before the start of the output
        if (total_ + len > maxOutput_) return DecodeResult::TooLarge;
        unsigned char* d = win_.data() + w;
        const unsigned char* s = d - dist;
        if (dist >= static_cast<std::uint32_t>(len)) {
          std::memcpy(d, s, static_cast<std::size_t>(len));
        } else {
          for (int i = 0; i < len; ++i) d[i] = s[i];  // overlapping: repeats the pattern
        }
        w += static_cast<std::size_t>(len);
        total_ += static_cast<std::uint64_t>(len);
      }
      if (br_.Overrun()) return DecodeResult::Damaged;
      if (w >= kDicSize + kFlushAt) {
        if (!sink_.Write(win_.data() + flushed_, w - flushed_)) return DecodeResult::WriteFailed;
        std::memmove(win_.data(), win_.data() + w - kDicSize, kDicSize);
        w = flushed_ = kDicSize;
      }
    }
    if (w > flushed_ && !sink_.Write(win_.data() + flushed_, w - flushed_))
      return DecodeResult::WriteFailed;
    return DecodeResult::Ok;
  }

  // After Run found damage: writes what was decoded before it. False when
  // the sink failed.
  bool KeepDecoded() {
    if (good_ > flushed_ && !sink_.Write(win_.data() + flushed_, good_ - flushed_)) return false;
    flushed_ = good_;
    return true;
  }
  // Bytes decoded before the damage.
  std::uint64_t decodedBeforeDamage() const { return total_ - (w_ - good_); }

private:
  static constexpr std::size_t kFlushAt = 65536;

  // The code-length code (nn = 19, special = 3) or the position code
  // (nn = 14, no special entry), as the encoder's WritePtLen sends them.
  bool ReadPtLen(HuffDecoder& dec, int nn, int nbit, int special) {
    br_.Refill();
    const int n = static_cast<int>(br_.Get(nbit));
    if (n == 0) {
      const int v = static_cast<int>(br_.Get(nbit));
      if (v >= nn) return false;
      dec.SetSingle(v);
      return true;
    }
    if (n > nn) return false;
    std::array<std::uint8_t, kNT> len{};
    int i = 0;
    while (i < n) {
      br_.Refill();
      const std::uint32_t w = br_.Peek16();
      int k = static_cast<int>(w >> 13);
      if (k == 7) {
        for (std::uint32_t mask = 1u << 12; mask && (w & mask); mask >>= 1) ++k;
        if (k > kMaxCodeBits) return false;
      }
      br_.Skip(k < 7 ? 3 : k - 3);
      len[i++] = static_cast<std::uint8_t>(k);
      if (i == special) {
        // Zeros that follow, never past the table's size: the encoder
        // counts them within it.
        const int zeros = static_cast<int>(br_.Get(2));
        if (zeros > n - i) return false;
        i += zeros;  // len is zero already
      }
    }
    return dec.Build(len.data(), nn);
  }

  bool ReadCLen() {
    br_.Refill();
    const int n = static_cast<int>(br_.Get(kCBits));
    if (n == 0) {
      const int v = static_cast<int>(br_.Get(kCBits));
      if (v >= kNC) return false;
      cdec_.SetSingle(v);
      return true;
    }
    if (n > kNC) return false;
    std::array<std::uint8_t, kNC> len{};
    int i = 0;
    while (i < n) {
      br_.Refill();
      const int t = tdec_.Decode(br_);
      if (t < 0) return false;
      if (t <= 2) {
        const int run = t == 0 ? 1 : t == 1 ? static_cast<int>(br_.Get(4)) + 3
                                            : static_cast<int>(br_.Get(kCBits)) + 20;
        if (run > n - i) return false;  // the encoder's runs end within the table
        i += run;  // len is zero already
      } else {
        len[i++] = static_cast<std::uint8_t>(t - 2);
      }
      if (br_.Overrun()) return false;
    }
    return cdec_.Build(len.data(), kNC);
  }

  BitReader br_;
  ByteSink& sink_;
  std::uint64_t maxOutput_;
  std::vector<unsigned char> win_;  // the last 8192 bytes, then the bytes not yet written
  std::size_t w_ = 0;      // the next byte of win_
  std::size_t good_ = 0;   // win_ up to here was decoded before the symbol under way
  std::size_t flushed_ = 0;
  std::uint64_t total_ = 0;
  HuffDecoder tdec_{kPTTableBits}, pdec_{kPTTableBits}, cdec_{kCTableBits};
};

const char* ReasonOf(DecodeResult r) {
  switch (r) {
    case DecodeResult::Ok: return "";
    case DecodeResult::Damaged: return kMsgDamaged;
    case DecodeResult::TooLarge: return kMsgTooLarge;
    case DecodeResult::WriteFailed: return kMsgWrite;
  }
  return kMsgDamaged;
}

// ---------------------------------------------------------------------------
// Header and files.

std::string_view SignatureText(std::string_view signature) {
  signature = signature.substr(0, kCompressHeaderSize);
  return signature.substr(0, signature.find('\0'));
}

// The header text of the first bytes of a file, up to the first NUL.
std::string_view HeaderText(std::span<const unsigned char> head) {
  std::string_view s(reinterpret_cast<const char*>(head.data()),
                     std::min(head.size(), kCompressHeaderSize));
  return s.substr(0, s.find('\0'));
}

// Checks a header; false with the reason set when it does not fit.
bool CheckHeader(std::string_view signature, std::span<const unsigned char> head,
                 std::string* reason) {
  if (HeaderText(head) != SignatureText(signature)) {
    SetReason(reason, kMsgFormat);
    return false;
  }
  if (head.size() < kCompressHeaderSize) {
    SetReason(reason, kMsgDamaged);
    return false;
  }
  return true;
}

// Opens an existing source file; false with the reason when it is missing
// or cannot be opened.
FilePtr OpenSource(const fs::path& source, std::string* reason) {
  std::error_code ec;
  if (!fs::exists(source, ec)) {
    SetReason(reason, kMsgMissing);
    return nullptr;
  }
  FilePtr f(std::fopen(source.c_str(), "rb"));
  if (!f) SetReason(reason, kMsgRead);
  return f;
}

}  // namespace

std::vector<unsigned char> Lh5Encode(std::span<const unsigned char> data) {
  std::vector<unsigned char> out;
  SpanSource src(data);
  VectorSink sink(out);
  auto enc = std::make_unique<Lh5Encoder>(src, sink);
  enc->Run();
  return out;
}

bool Lh5Decode(std::span<const unsigned char> stream, std::vector<unsigned char>& out,
               std::string* reason, std::uint64_t maxOutput) {
  out.clear();
  SpanSource src(stream);
  VectorSink sink(out);
  auto dec = std::make_unique<Lh5Decoder>(src, sink, maxOutput);
  const DecodeResult r = dec->Run();
  if (r == DecodeResult::Ok) return true;
  out.clear();
  SetReason(reason, ReasonOf(r));
  return false;
}

std::vector<unsigned char> CompressHeader(std::string_view signature) {
  const std::string_view text = SignatureText(signature);
  std::vector<unsigned char> h(kCompressHeaderSize, 0);
  std::memcpy(h.data(), text.data(), text.size());
  return h;
}

std::vector<unsigned char> CompressBytes(std::string_view signature,
                                         std::span<const unsigned char> data) {
  std::vector<unsigned char> out = CompressHeader(signature);
  const std::vector<unsigned char> stream = Lh5Encode(data);
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

bool DecompressBytes(std::string_view signature, std::span<const unsigned char> file,
                     std::vector<unsigned char>& out, std::string* reason,
                     std::uint64_t maxOutput) {
  out.clear();
  if (!CheckHeader(signature, file.first(std::min(file.size(), kCompressHeaderSize)), reason))
    return false;
  return Lh5Decode(file.subspan(kCompressHeaderSize), out, reason, maxOutput);
}

std::uint64_t CompressFile(std::string_view signature, const fs::path& target,
                           const fs::path& source, std::string* reason) {
  FilePtr in = OpenSource(source, reason);
  if (!in) return 0;
  TReplacement tmp(target);
  if (!tmp.file()) {
    SetReason(reason, kMsgWrite);
    return 0;
  }
  const std::vector<unsigned char> header = CompressHeader(signature);
  FileSource src(in.get());
  FileSink sink(tmp.file());
  if (!sink.Write(header.data(), header.size())) {
    SetReason(reason, kMsgWrite);
    return 0;
  }
  auto enc = std::make_unique<Lh5Encoder>(src, sink);
  const bool wrote = enc->Run();
  if (src.failed()) {
    SetReason(reason, kMsgRead);
    return 0;
  }
  if (!wrote || !tmp.Commit()) {
    SetReason(reason, kMsgWrite);
    return 0;
  }
  return header.size() + enc->written();
}

bool DecompressFile(std::string_view signature, const fs::path& target, const fs::path& source,
                    std::string* reason, bool* damaged, std::uint64_t maxOutput) {
  if (damaged) *damaged = false;
  FilePtr in = OpenSource(source, reason);
  if (!in) return false;
  std::array<unsigned char, kCompressHeaderSize> header{};
  const std::size_t got = std::fread(header.data(), 1, header.size(), in.get());
  if (std::ferror(in.get())) {
    SetReason(reason, kMsgRead);
    return false;
  }
  if (!CheckHeader(signature, std::span(header.data(), got), reason)) return false;
  TReplacement tmp(target);
  if (!tmp.file()) {
    SetReason(reason, kMsgWrite);
    return false;
  }
  FileSource src(in.get());
  FileSink sink(tmp.file());
  auto dec = std::make_unique<Lh5Decoder>(src, sink, maxOutput);
  const DecodeResult r = dec->Run();
  if (src.failed()) {
    SetReason(reason, kMsgRead);
    return false;
  }
  if (r == DecodeResult::Damaged && damaged && dec->decodedBeforeDamage() > 0) {
    // What came before the damage, for the caller to salvage.
    if (!dec->KeepDecoded()) {
      SetReason(reason, kMsgWrite);
      return false;
    }
    *damaged = true;
    SetReason(reason, kMsgDamaged);
  } else if (r != DecodeResult::Ok) {
    SetReason(reason, ReasonOf(r));
    return false;
  }
  if (!tmp.Commit()) {
    SetReason(reason, kMsgWrite);
    return false;
  }
  return true;
}
