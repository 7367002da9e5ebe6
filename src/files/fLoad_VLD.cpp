#include "files/fLoad_VLD.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "files/fSave_VLD.h"
#include "kernel/Common.h"
#include "kernel/Platform.h"
#include "kernel/ProgramDir.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace fs = std::filesystem;

FLoadVldState g_fLoadVld;

void fLoad_VLD_Reset() { g_fLoadVld = FLoadVldState{}; }

// ---- Lines ----------------------------------------------------------------

namespace {
constexpr std::size_t kChunk = std::size_t{1} << 20;
}

TVldLines::TVldLines(std::string_view text) : data_(text.data()), end_(text.size()), atEnd_(true) {}

TVldLines::TVldLines(std::FILE* file, std::size_t chunk) : file_(file), buf_(std::max<std::size_t>(chunk, 1)) {
  data_ = buf_.data();
}

bool TVldLines::Refill() {
  const std::size_t rest = end_ - pos_;
  if (pos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + pos_, rest);
    pos_ = 0;
    end_ = rest;
  }
  if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);  // bounded: rest <= kVldMaxLine
  data_ = buf_.data();
  const std::size_t got = std::fread(buf_.data() + end_, 1, buf_.size() - end_, file_);
  end_ += got;
  if (got == 0) {
    if (std::ferror(file_)) {
      error_ = Error::Read;
      return false;
    }
    atEnd_ = true;
  }
  return true;
}

bool TVldLines::DecideEnds() {
  const char* start = data_ + pos_;
  const std::size_t avail = end_ - pos_;
  const void* lf = avail ? std::memchr(start, '\n', avail) : nullptr;
  const std::size_t before = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : avail;
  const void* cr = before ? std::memchr(start, '\r', before) : nullptr;
  if (cr) {
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(cr) - start);
    if (at + 1 == avail && !atEnd_) return false;  // is an LF next?
    ends_ = at + 1 < avail && start[at + 1] == '\n' ? Ends::Lf : Ends::Cr;
    return true;
  }
  if (lf || atEnd_) {
    ends_ = Ends::Lf;
    return true;
  }
  return false;
}

bool TVldLines::Next(std::string_view& line) {
  if (putBack_) {
    putBack_ = false;
    line = last_;
    return true;
  }
  for (;;) {
    if (error_ != Error::None) return false;
    const char* start = data_ + pos_;
    const std::size_t avail = end_ - pos_;
    if (skipLf_ && avail > 0) {
      skipLf_ = false;
      if (*start == '\n') {
        ++pos_;
        continue;
      }
    }
    const bool decided = ends_ != Ends::Unknown || DecideEnds();
    const char endChar = ends_ == Ends::Cr ? '\r' : '\n';
    const void* found = decided && avail ? std::memchr(start, endChar, avail) : nullptr;
    std::size_t len;
    if (found) {
      len = static_cast<std::size_t>(static_cast<const char*>(found) - start);
      pos_ += len + 1;
      terminated_ = true;
      // A CR LF pair in a file of CR line ends is one line end too.
      if (ends_ == Ends::Cr) skipLf_ = true;
    } else if (decided && atEnd_) {
      if (avail == 0) return false;
      len = avail;  // a last line without a line end
      pos_ = end_;
      terminated_ = false;
    } else {
      if (avail > kVldMaxLine) {
        error_ = Error::TooLong;
        return false;
      }
      if (!Refill()) return false;
      continue;
    }
    if (len > kVldMaxLine) {
      error_ = Error::TooLong;
      return false;
    }
    if (ends_ == Ends::Lf && len > 0 && start[len - 1] == '\r') --len;
    line = last_ = std::string_view(start, len);
    ++number_;
    return true;
  }
}

// ---- Pictures -------------------------------------------------------------

std::string VldPictureExtension(std::string_view reference) {
  const std::size_t dot = reference.find_last_of('.');
  if (dot != std::string_view::npos) {
    const std::string_view ext = reference.substr(dot + 1);
    const bool plain = !ext.empty() && ext.size() <= 4 && std::all_of(ext.begin(), ext.end(), [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
    if (plain) return UpperAscii(reference.substr(dot));
  }
  return ".BIN";
}

std::string VldExtractPicture(TVldLines& in, std::string_view reference, bool* failed, bool* cut) {
  if (failed) *failed = false;
  if (cut) *cut = false;
  std::string name;
  std::FILE* out = nullptr;
  fs::path path;
  if (!g_programDir.tempPrefix.empty()) {
    name = g_programDir.tempPrefix + Format("%.8d", {++g_fLoadVld.pictureCount}) + VldPictureExtension(reference);
    path = SjisToUtf8(name);
    out = std::fopen(path.c_str(), "wb");
  }
  bool ok = g_programDir.tempPrefix.empty() || out != nullptr;
  std::string bytes;
  auto flush = [&] {
    if (out && !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) ok = false;
    bytes.clear();
  };
  std::string_view line;
  bool ended = false;
  while (ok && in.Next(line)) {
    if (line.empty() || line[0] != ':') {
      in.PutBack();  // not picture data: a record for the caller
      ended = true;
      break;
    }
    if (!in.terminated()) break;  // the text was cut inside this line
    if (line.size() < 3) {  // the end line ":0"
      ended = true;
      break;
    }
    const int n = static_cast<unsigned char>(line[1]) - 0x30;
    const std::size_t groups = (line.size() - 2) / 4;
    const std::size_t take = n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), groups * 3) : 0;
    for (std::size_t i = 0; i < take; ++i) {
      const std::size_t g = 2 + i / 3 * 4;
      std::uint32_t v = 0;
      for (int k = 0; k < 4; ++k) v = v << 6 | ((static_cast<unsigned char>(line[g + k]) - 0x30u) & 63u);
      bytes += static_cast<char>(v >> (16 - 8 * (i % 3)));
    }
    if (bytes.size() >= kChunk) flush();
  }
  flush();
  if (cut && ok && !ended && in.error() == TVldLines::Error::None) *cut = true;
  if (out && std::fclose(out) != 0) ok = false;
  if (!ok) {
    std::error_code ec;
    if (!path.empty()) fs::remove(path, ec);
    if (failed) *failed = true;
    return {};
  }
  return name;
}

// ---- Reading --------------------------------------------------------------

namespace {

// The older identification "Velmo３データファイル", in CP932 bytes.
constexpr std::string_view kOldProduct =
    "Velmo\x82\x52\x83\x66\x81\x5B\x83\x5E\x83\x74\x83\x40\x83\x43\x83\x8B";

// Stops a read: a value out of the range of its field.
struct TRangeError {};

enum class TStop { None, Range, Read, TooLong, Picture };

class TReader {
public:
  TReader(TVldLines& lines, double dx, double dy) : lines_(lines), dx_(dx), dy_(dy) {}

  // False with the reason in stop() when the read stopped early.
  bool Run(double version) {
    version_ = version;
    std::string_view line;
    std::string unpacked;
    try {
      while (lines_.Next(line)) {
        if (!lines_.terminated() && !line.starts_with("$EOF")) {
          cutShort_ = true;  // the text was cut inside its last line
          break;
        }
        if (!line.empty() && line[0] == '*') {
          unpacked.assign("LINE,0,").append(UnpackNumbers(line.substr(1)));
          line = unpacked;
        } else if (line.size() >= 2 && line[0] == 'T' && line[1] == '*') {
          unpacked.assign("TEXT,0,").append(UnpackNumbers(line.substr(2)));
          line = unpacked;
        }
        if (g_fLoadVld.quickLines && QuickLine(line)) continue;
        SplitFieldViews(line, f_, 0);
        if (f_[0].starts_with("$EOF")) {
          eofSeen_ = true;
          break;
        }
        if (f_[0].starts_with("CF_")) {
          Setting(std::string_view(f_[0]).substr(3));
          continue;
        }
        if (!Element()) return false;
      }
    } catch (const TRangeError&) {
      stop_ = TStop::Range;
      return false;
    }
    if (lines_.error() != TVldLines::Error::None) {
      stop_ = lines_.error() == TVldLines::Error::Read ? TStop::Read : TStop::TooLong;
      return false;
    }
    if (!eofSeen_) cutShort_ = true;
    // A drawing that never named its basic scale takes group 0's; text that
    // came without settings (pasted cells) leaves it alone.
    if (settingsSeen_ && !scale1Seen_) CurPVC().basicScale = CurPVC().groups[0].scaleX;
    return true;
  }

  TStop stop() const { return stop_; }
  void Report(TVldReadReport& r) const {
    r.cells = cells_;
    r.skipped = skipped_;
    r.cutShort = cutShort_;
  }
  long long lineNumber() const { return lines_.lineNumber(); }
  const std::string& pictureName() const { return pictureName_; }

private:
  std::string_view F(int i) const { return f_[static_cast<std::size_t>(i)]; }
  int Int(int i) const { return ParseInt(F(i)); }
  double Real(int i) const { return ParseReal(F(i)); }
  bool Is(int i, std::string_view word) const { return F(i) == word; }

  // A group number; outside 0..15 stops the read.
  int Group(int i) const {
    const int g = Int(i);
    if (g < 0 || g >= kGroupCount) throw TRangeError{};
    return g;
  }
  // A 16-bit word; outside 0..65535 stops the read.
  int Word(int i) const {
    const int v = Int(i);
    if (v < 0 || v > 65535) throw TRangeError{};
    return v;
  }

  // ---- Settings

  static double Scale(double v) { return std::clamp(v, 0.001, 1e9); }
  static double PaperLength(double v) { return std::clamp(v, -1e4, 1e4); }
  static double TextLength(double v) { return std::clamp(v, 0.0, 1e4); }
  // A pen word of the settings: pen 1..7, line type 1..8, no flags.
  static int SettingPen(int v) { return std::clamp((v >> 4) & 15, 1, 8) * 16 + std::clamp(v & 15, 1, 7); }

  void Setting(std::string_view name) {
    TPVC& p = CurPVC();
    if (name == "WINDOW") return;  // only pasting uses it
    settingsSeen_ = true;
    if (name == "SCALE") {
      p.basicScale = Scale(Real(1));
      for (TGroupEntry& g : p.groups) {
        g.scaleX = Scale(Real(1));
        g.scaleY = Scale(Real(2));
      }
      p.dimPen = 1;
      p.dimTextSize = 2;
    } else if (name == "ARWSIZE") {
      p.dimArrowLength = PaperLength(Real(1));
      p.dimArrowAngle = std::clamp(Real(2), 15.0, 75.0);
    } else if (name == "SOFFSET") {
      p.dimExtGap = PaperLength(Real(1));
      if (Real(2) != 0) {
        p.dimExtOvershoot = PaperLength(Real(3));
        p.dimTextGap = PaperLength(Real(4));
        p.textOffset = PaperLength(Real(5));
      } else {
        p.dimExtOvershoot = p.dimExtGap;
        p.dimTextGap = 0;
        p.textOffset = 1.0;
      }
      if (Real(6) != 0) p.dimExtOvershoot = PaperLength(Real(7));
    } else if (name == "S_PITCH") {
      p.dimPitch = PaperLength(Real(1));
      p.realGrid = Real(2) != 0;
      p.realGridSpacing = std::clamp(Real(3), 0.0, kVldMaxCoord);
    } else if (name == "S_UNIT") {
      p.dimUnit = std::clamp(Int(1), 0, 2);
      p.dimDecimals = std::clamp(Int(2), 0, 3);
    } else if (name == "SUNPOKJ") {
      p.dimFullWidth = Is(1, "TRUE");
      p.dimThousands = Is(2, "1");
      p.dimStripZeros = Is(3, "1");
    } else if (name == "TUBOSIZ") {
      p.tuboArea = std::clamp(Real(1), 0.001, 1e6);
    } else if (name == "PENLAY") {
      p.writePen = SettingPen(Int(1));
      p.writeLayer = std::clamp(Int(2), 0, 255);
      for (int k = 1; k <= 5; ++k)
        if (const int v = Int(2 + k); v != 0) p.penPresets[static_cast<std::size_t>(k)] = SettingPen(v);
    } else if (name == "SUNPOPM") {
      p.dimPen = static_cast<std::uint16_t>(SettingPen(Word(1)));  // nibbles 0 become 1
      const int size = Int(2);
      if (size < 0 || size > 255) throw TRangeError{};
      p.dimTextSize = static_cast<std::uint16_t>(std::min(size, kTextSizeCount - 1));
    } else if (name == "PENCOLOR") {
      for (int k = 1; k <= 10; ++k) p.pens[static_cast<std::size_t>(k)].colorIndex = std::clamp(Int(k), 1, 15);
      p.selectionColor = F(11).empty() ? 4 : std::clamp(Int(11), 1, 15);
    } else if (name == "PENWIDTH") {
      for (int k = 1; k <= 10; ++k) p.pens[static_cast<std::size_t>(k)].printWidth = std::clamp(Int(k), 1, 10);
    } else if (name == "BLACKP") {
      for (int k = 1; k <= 10; ++k) p.pens[static_cast<std::size_t>(k)].printBlack = Int(k) == 1;
    } else if (name == "PENWMODE") {
      if (version_ < 4.4) {
        p.varyWidths = false;
        p.monochrome = false;
      } else {
        p.varyWidths = Is(1, "TRUE");
        p.monochrome = !Is(2, "TRUE");
      }
    } else if (name == "MJSIZH" || name == "MJSIZW" || name == "MJSIZP") {
      for (int k = 1; k <= 10; ++k) {
        TTextSize& t = p.textSizes[static_cast<std::size_t>(k)];
        (name == "MJSIZH" ? t.height : name == "MJSIZW" ? t.width : t.spacing) = TextLength(Real(k));
      }
    } else if (name == "MJDXFP") {
      for (int k = 1; k <= 10; ++k) p.textSizes[static_cast<std::size_t>(k)].pen = std::clamp(Int(k), 1, 6);
    } else if (name == "MJSIZE") {
      for (int k = 1; k <= 10; ++k) {
        TTextSize& t = p.textSizes[static_cast<std::size_t>(k)];
        const int from = std::min(k, 8);
        t.height = TextLength(Real(2 * from));
        t.width = TextLength(Real(2 * from + 1));
        t.spacing = 0;
        t.pen = 1;
      }
    } else if (name == "LAYER" || name == "LNAME") {
      TGroupEntry& g = p.groups[static_cast<std::size_t>(Group(1))];
      g.name = CutMB(F(2), 32);
      for (int l = 0; l < kLayerCount; ++l) g.layers[static_cast<std::size_t>(l)].name = CutMB(F(3 + l), 16);
    } else if (name == "VW_GRP") {
      for (int g = 0; g < kGroupCount; ++g) p.groups[static_cast<std::size_t>(g)].visible = Is(1 + g, "1");
    } else if (name == "VW_LAY") {
      TGroupEntry& g = p.groups[static_cast<std::size_t>(Group(1))];
      for (int l = 0; l < kLayerCount; ++l) g.layers[static_cast<std::size_t>(l)].visible = Is(2 + l, "1");
    } else if (name == "WRTLAY") {
      for (int g = 0; g < kGroupCount; ++g) {
        TGroupEntry& grp = p.groups[static_cast<std::size_t>(g)];
        grp.lastLayer = std::clamp(Int(1 + g), 0, kLayerCount - 1);
        grp.layers[static_cast<std::size_t>(grp.lastLayer)].visible = true;
      }
    } else if (name == "LAYPEN") {
      p.penPerLayer = Int(1) != 0;
      for (int l = 0; l < kLayerCount; ++l)
        p.layerPens[static_cast<std::size_t>(l)] = static_cast<std::uint16_t>(SettingPen(Word(2 + l)));
    } else if (name == "SCALE1") {
      p.basicScale = Scale(Real(1));
      scale1Seen_ = true;
    } else if (name == "SCALE2") {
      TGroupEntry& g = p.groups[static_cast<std::size_t>(Group(1))];
      g.scaleX = Scale(Real(2));
      g.scaleY = Scale(Real(3));
    } else if (name == "PLOTER") {
      p.printerType = Is(1, "TRUE") ? PRINTER_PLOTTER : std::clamp(Int(1), 0, 2);
    } else if (name == "PSIZE") {
      p.paperSize = std::clamp(Int(1), 0, static_cast<int>(PAPER_NONE));
    } else if (name == "PORNT") {
      p.paperOrientation = std::clamp(Int(1), 0, 1);
    } else if (name == "PQLTY") {
      p.finePrint = Is(1, "TRUE");
    } else if (name == "PLAYER") {
      p.playerFlag = Int(1) != 0 ? 1 : 0;
      for (int k = 1; k <= 7; ++k) {
        p.pens[static_cast<std::size_t>(k)].plotterA = Int(2 * k);
        p.pens[static_cast<std::size_t>(k)].plotterB = Int(2 * k + 1);
      }
    } else if (name == "ETC1") {
      p.layerSync = Int(1) != 0;
    }
  }

  // ---- Elements

  // The next line, whole; empty at the end. *whole is cleared when the
  // text ended before the line's end.
  std::string NextLine(bool* whole) {
    std::string_view line;
    if (!lines_.Next(line) || !lines_.terminated()) {
      *whole = false;
      return {};
    }
    return std::string(line);
  }

  // A LINE record as this program writes it, all in plain characters:
  // "LINE,0,layer,pen,x1,y1,x2,y2,...", its integers plain digits and its
  // coordinates plain decimals. Read straight from the line, each number as
  // the general reading would read it; false (nothing done) for any other
  // record or spelling, which the general reading then takes.
  bool QuickLine(std::string_view line) {
    if (!line.starts_with("LINE,")) return false;
    // Two-byte characters (a comma may be the second byte of one) and tabs
    // (they would be the separators): the long way.
    for (const char ch : line)
      if (static_cast<unsigned char>(ch) >= 0x80 || ch == '\t') return false;
    const char* at = line.data() + 5;
    const char* const end = line.data() + line.size();
    // Field 1 is not read; fields 2 and 3 are the layer and the pen word,
    // 4 to 7 the coordinates; what follows is not read.
    while (at < end && *at != ',') ++at;
    if (at == end) return false;
    ++at;
    int layer = 0, word = 0;
    if (!PlainInt(at, end, layer) || !PlainInt(at, end, word)) return false;
    double q[4];
    for (int k = 0; k < 4; ++k)
      if (!PlainDecimal(at, end, q[k], k == 3)) return false;
    TGcell c;
    c.kind = GK_LINE;
    c.layer = static_cast<std::uint8_t>(std::clamp(layer, 0, 255));
    const int pen = std::clamp(word & 15, 1, 7);
    c.pen = static_cast<std::uint16_t>(pen == 7 ? 0x57 : std::clamp((word >> 4) & 15, 1, 8) * 16 + pen);
    c.p[0] = q[0] + dx_;  // adding nothing, as the long way does (a -0 read becomes 0)
    c.p[1] = q[1] + dy_;
    c.p[2] = q[2] + dx_;
    c.p[3] = q[3] + dy_;
    if (lines_.error() != TVldLines::Error::None) return true;
    if (!Sane(c)) {
      ++skipped_;
    } else if (GcellAdd(std::move(c)) != 0) {
      ++cells_;
    }
    return true;
  }
  // A field of one to nine digits and nothing else, then its comma; at moves
  // past them.
  static bool PlainInt(const char*& at, const char* end, int& v) {
    const char* p = at;
    v = 0;
    while (p < end && *p >= '0' && *p <= '9' && p - at < 9) v = v * 10 + (*p++ - '0');
    if (p == at || p == end || *p != ',') return false;
    at = p + 1;
    return true;
  }
  // A field of a minus or not, digits, and a point and digits or not, then
  // its comma (or the line's end for the last); at moves past them. Read as
  // ParseReal reads it, the correctly rounded value: with up to 15 digits
  // the digits and the power of ten dividing them are exact doubles, and so
  // one division rounds correctly; with more, from_chars.
  static bool PlainDecimal(const char*& at, const char* end, double& v, bool last) {
    static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                        1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = at;
    const bool minus = p < end && *p == '-';
    if (minus) ++p;
    const char* const first = p;
    std::uint64_t m = 0;
    int decimals = -1;  // none yet: no point seen
    int significant = 0;
    for (; p < end; ++p) {
      const char ch = *p;
      if (ch >= '0' && ch <= '9') {
        m = m * 10 + static_cast<unsigned>(ch - '0');
        significant += m != 0;
        decimals += decimals >= 0;
        if (significant > 15) break;
      } else if (ch == '.' && decimals < 0) {
        decimals = 0;
      } else {
        break;
      }
    }
    if (significant > 15 || decimals > 15) {  // long: the general conversion
      while (p < end && ((*p >= '0' && *p <= '9') || *p == '.')) ++p;
      const auto r = std::from_chars(first, p, v, std::chars_format::fixed);
      if (r.ec != std::errc{} || r.ptr != p) return false;
    } else {
      const std::ptrdiff_t chars = p - first;
      if (chars == 0 || (decimals >= 0 && chars == 1)) return false;  // no digit
      v = static_cast<double>(m) / kPow10[std::max(decimals, 0)];
    }
    if (minus) v = -v;
    if (p < end && *p == ',') {
      at = p + 1;
      return true;
    }
    at = p;
    return p == end && last;
  }

  static bool Sane(const TGcell& c) {
    return std::all_of(std::begin(c.p), std::end(c.p), [](double v) { return std::fabs(v) <= kVldMaxCoord; });
  }

  // Moves a polygon's point list: colour, then ",x,y" per vertex.
  std::string MovePointList(const std::string& text) const {
    std::string out = text.starts_with("$") ? text.substr(0, text.find(',')) : "0";
    std::size_t commas = static_cast<std::size_t>(std::count(text.begin(), text.end(), ','));
    std::size_t at = text.find(',');
    for (std::size_t v = 0; v < commas / 2; ++v) {
      const double x = ParseReal(std::string_view(text).substr(at + 1));
      at = text.find(',', at + 1);
      const double y = ParseReal(std::string_view(text).substr(at + 1));
      at = text.find(',', at + 1);
      out += Format(",%f,%f", {x + dx_, y + dy_});
    }
    return out;
  }

  // One element record; false when the read must stop.
  bool Element() {
    const std::string_view kind = F(0);
    TGcell c;
    c.layer = static_cast<std::uint8_t>(std::clamp(Int(2), 0, 255));
    const int v = Int(3);
    const int pen = std::clamp(v & 15, 1, 7);
    c.pen = static_cast<std::uint16_t>(pen == 7 ? 0x57 : std::clamp((v >> 4) & 15, 1, 8) * 16 + pen);
    double* p = c.p;
    std::string picture;  // a picture file this record extracted
    bool whole = true;    // every line of the record was there

    if (kind == "LINE") {
      c.kind = GK_LINE;
      p[0] = Real(4) + dx_;
      p[1] = Real(5) + dy_;
      p[2] = Real(6) + dx_;
      p[3] = Real(7) + dy_;
    } else if (kind == "MAPL") {
      c.kind = GK_LINE;
      p[0] = Real(6) + dx_;
      p[1] = Real(5) + dy_;
      p[2] = Real(8) + dx_;
      p[3] = Real(7) + dy_;
    } else if (kind == "POINT") {
      c.kind = GK_POINT;
      p[0] = Real(4) + dx_;
      p[1] = Real(5) + dy_;
    } else if (kind == "CIRCLE") {
      c.kind = GK_CIRCLE;
      p[0] = Real(4) + dx_;
      p[1] = Real(5) + dy_;
      p[4] = Real(6);
      p[5] = Real(7);
      p[6] = Real(8);
    } else if (kind == "ARC" || kind == "POLYARC") {
      c.kind = kind == "ARC" ? GK_ARC : GK_POLYARC;
      p[0] = Real(4) + dx_;
      p[1] = Real(5) + dy_;
      p[4] = Real(6);
      p[7] = Real(7);
      p[8] = Real(8);
      p[5] = Real(9);
      p[6] = Real(10);
      if (c.kind == GK_POLYARC) c.text = F(11);
    } else if (kind == "POLYGON") {
      c.kind = GK_POLYGON;
      p[0] = Real(4) + dx_;
      p[1] = Real(5) + dy_;
      p[2] = Real(6) + dx_;
      p[3] = Real(7) + dy_;
      c.text = NextLine(&whole);
      if (dx_ != 0 || dy_ != 0) c.text = MovePointList(c.text);
    } else if (kind == "FILL4K") {
      c.kind = GK_FILL4K;
      p[0] = Real(4) + dx_;
      p[1] = Real(5) + dy_;
      p[2] = Real(6);
      p[3] = Real(7);
      p[4] = Real(8);
      p[5] = Real(9);
      p[7] = Real(10);
      p[8] = Real(11);
      c.text = F(12);
    } else if (kind == "PICTUR") {
      c.kind = GK_PICTURE;
      p[0] = Real(4) + dx_;
      p[1] = Real(5) + dy_;
      p[2] = Real(6);
      p[3] = Real(7);
      p[4] = Real(8);
      p[5] = Real(9);
      p[7] = Real(10);
      p[8] = Real(11);
      c.text = NextLine(&whole);
      if (c.text.starts_with(":")) {
        bool failed = false, cut = false;
        c.text = picture = VldExtractPicture(lines_, c.text, &failed, &cut);
        if (cut) whole = false;
        if (failed) {
          stop_ = TStop::Picture;
          pictureName_ = g_programDir.tempPrefix;
          return false;
        }
      }
    } else if (kind == "TEXT") {
      c.kind = GK_TEXT;
      p[0] = Real(4) + dx_;
      p[1] = Real(5) + dy_;
      p[6] = Real(6);
      int size = Int(7);
      if (size < 0 || size > 255) throw TRangeError{};
      c.vertical = Int(8) != 0 ? 1 : 0;
      p[3] = Real(9);
      p[2] = Real(10);
      p[4] = Real(11);
      if (size == 0 && p[3] == 0) size = v & 15;  // older files kept the size in the pen field
      c.size = static_cast<std::uint8_t>(std::min(size, kTextSizeCount - 1));
      c.pen = 1;
      std::string text = NextLine(&whole);
      std::replace(text.begin(), text.end(), '\r', ' ');
      c.text = std::move(text);
    } else {
      return true;  // section lines, empty lines, unknown records
    }

    if (lines_.error() != TVldLines::Error::None || !whole) {
      // Its next line was too long or unreadable (Run reports it), or the
      // text ended within the record: no cell from part of a record.
      if (!whole && lines_.error() == TVldLines::Error::None) cutShort_ = true;
      std::error_code ec;
      if (!picture.empty()) fs::remove(SjisToUtf8(picture), ec);
      return true;
    }
    if (c.kind == GK_CIRCLE || c.kind == GK_ARC || c.kind == GK_POLYARC) {
      if (p[5] == 0) p[5] = 1.0;
    }
    const bool sane = Sane(c);
    if (!sane) ++skipped_;
    if (sane && GcellAdd(std::move(c)) != 0) {
      ++cells_;
    } else {
      std::error_code ec;
      if (!picture.empty()) fs::remove(SjisToUtf8(picture), ec);  // nobody owns it
    }
    return true;
  }

  TVldLines& lines_;
  double dx_, dy_;
  TFieldViews f_;  // the record's fields, views into its line
  double version_ = 0;
  bool settingsSeen_ = false;
  bool scale1Seen_ = false;
  bool eofSeen_ = false, cutShort_ = false;
  long long cells_ = 0, skipped_ = 0;
  TStop stop_ = TStop::None;
  std::string pictureName_;
};

void ShowError(const std::string& text) {
  Platform().MessageBox(text, "Velmo", MsgButtons::Abort, MsgIcon::Error);
}

// Reads the identification line: the format version, or 0 when the text is
// not a drawing.
double ReadVersion(TVldLines& lines) {
  std::string_view first;
  if (!lines.Next(first)) return 0;
  TFields& f = g_common.fields1;
  SplitFields(first, f, 0);
  const std::string product = RemoveSpaces(f[0]);
  if (product == kVldProduct) return std::max(ParseReal(f[1]), 2.0);
  if (product == kOldProduct) return 3.0;
  return 0;
}

}  // namespace

bool VldLoadLines(TVldLines& lines, double dx, double dy, std::string_view name, TVldReadReport* report) {
  if (report) *report = TVldReadReport{};
  const double version = ReadVersion(lines);
  if (version == 0) {
    if (lines.error() == TVldLines::Error::Read) {
      ShowError(Format("ファイル<%s>の読み込み中にエラーが発生しました.", {name}));
      return false;
    }
    ShowError(Format("ファイル<%s<は読み込めません.", {name}));
    return false;
  }
  TReader reader(lines, dx, dy);
  const bool ok = reader.Run(version);
  if (report) reader.Report(*report);
  NormalizePVC(CurPVC());
  const int at = static_cast<int>(std::min<long long>(reader.lineNumber(), 2147483647));
  switch (reader.stop()) {
    case TStop::None: break;
    case TStop::Range:
      ShowError(Format("ファイル<%s>の%d行目の値が範囲外のため、読み込みを中止しました.", {name, at}));
      break;
    case TStop::Read: ShowError(Format("ファイル<%s>の読み込み中にエラーが発生しました.", {name})); break;
    case TStop::TooLong:
      ShowError(Format("ファイル<%s>の%d行目が長すぎるため、読み込みを中止しました.", {name, at + 1}));
      break;
    case TStop::Picture:
      ShowError(Format("ファイル<%s>の画像を一時ファイル<%s...>に書き出せないため、読み込みを中止しました.",
                       {name, reader.pictureName()}));
      break;
  }
  return ok;
}

bool VldLoad(const fs::path& fileName, double dx, double dy, TVldReadReport* report) {
  if (report) *report = TVldReadReport{};
  const std::string name = Utf8ToSjis(fileName.string());
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
  if (!file) {
    ShowError(Format("ファイル<%s>を開けません.", {name}));
    return false;
  }
  TVldLines lines(file);
  const bool ok = VldLoadLines(lines, dx, dy, name, report);
  std::fclose(file);
  return ok;
}

bool VldLoadText(std::string_view text, double dx, double dy, std::string_view name, TVldReadReport* report) {
  TVldLines lines(text);
  return VldLoadLines(lines, dx, dy, name, report);
}
