#include "files/fImport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "kernel/Common.h"
#include "kernel/Platform.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace fs = std::filesystem;

namespace {

// Files beyond this are refused rather than read into memory.
constexpr std::size_t kMaxImport = std::size_t{256} << 20;
constexpr int kMaxColumns = 64;

bool Utf8WithNonAscii(std::string_view s) {
  bool high = false;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    high = true;
    int n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b <= 0xDF ? 2 : 0;
    if (b >= 0xF5 || n == 0 || i + static_cast<std::size_t>(n) > s.size()) return false;
    for (int k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
    i += static_cast<std::size_t>(n);
  }
  return high;
}

void Message(const std::string& text) {
  Platform().MessageBox(text, kApplicationTitle, MsgButtons::Ok, MsgIcon::Warning);
}

// The file's bytes as CP932, or false after a message.
bool ReadImport(const fs::path& name, std::string& sjis) {
  std::string bytes;
  const ReadFileResult r = ReadFileContents(name, kMaxImport, bytes);
  const std::string shown = Utf8ToSjis(name.filename().string());
  if (r != ReadFileResult::Ok) {
    Message("ﾌｧｲﾙ[" + shown + "]が開けません。");
    return false;
  }
  if (bytes.size() > kMaxImport) {
    Message("ﾌｧｲﾙ[" + shown + "]は大きすぎて読み込めません。");
    return false;
  }
  int replaced = 0;
  sjis = ImportTextBytesToSjis(bytes, &replaced);
  if (replaced > 0)
    Message("ﾌｧｲﾙ[" + shown + "]のシフトJISで表せない文字 " + std::to_string(replaced) + " 個を「?」にしました。");
  return true;
}

const TTextSize& CurrentSize(const TPVC& pvc) {
  return pvc.textSizes[static_cast<std::size_t>(std::clamp(pvc.textSize, 0, kTextSizeCount - 1))];
}

std::uint8_t WriteLayerCode() { return static_cast<std::uint8_t>(CurPVC().writeLayer); }

void AddText(const std::string& text, double x, double y) {
  if (text.empty()) return;
  GcellAddText(WriteLayerCode(), static_cast<std::uint8_t>(std::clamp(CurPVC().textSize, 0, 10)), 1, text, 0, 0, x, y);
}

void AddLine(double x1, double y1, double x2, double y2) {
  GcellAddLine(WriteLayerCode(), static_cast<std::uint16_t>(CurPVC().writePen), x1, y1, x2, y2);
}

}  // namespace

std::string ImportTextBytesToSjis(std::string_view bytes, int* replaced) {
  if (replaced) *replaced = 0;
  if (Utf8WithNonAscii(bytes)) return Utf8ToSjis(bytes, replaced);
  return std::string(bytes);
}

// ---- Text -------------------------------------------------------------------------

void ImportTextBytes(std::string_view sjis) {
  const TPVC& pvc = CurPVC();
  const double s = pvc.basicScale;
  const double step = std::trunc(CurrentSize(pvc).height + 2) * s;
  double y = -10 * s;
  ForEachLine(sjis, [&](std::string_view line) {
    std::string text;
    for (char c : line) {
      if (c != '\t') {
        text += c;
        continue;
      }
      // A tab stop every four characters.
      text += ' ';
      while (text.size() % 4 != 0) text += ' ';
    }
    AddText(text, 10 * s, y);
    y -= step;
  });
}

bool ImportText(const fs::path& fileName) {
  std::string sjis;
  if (!ReadImport(fileName, sjis)) return false;
  ImportTextBytes(sjis);
  return true;
}

// ---- Table ------------------------------------------------------------------------

TTableSize ImportTableBytes(std::string_view sjis, double x0, double y0, char sep, bool addCells) {
  const TPVC& pvc = CurPVC();
  const double s = pvc.basicScale, o = pvc.textOffset;
  const TTextSize& size = CurrentSize(pvc);
  const double h = size.height, w = size.width, p = size.spacing;
  TFieldViews f;
  // Measuring: each column's width in characters (bytes), the columns used,
  // the table's top. Fields past the 64th are not read.
  std::array<int, kMaxColumns> chars;
  chars.fill(1);
  int n = 0;
  double top = y0;
  ForEachLine(sjis, [&](std::string_view line) {
    const int cut = SplitFieldViews(line, f, sep);
    for (int k = 0; k < std::min(cut, kMaxColumns); ++k) {
      chars[static_cast<std::size_t>(k)] = std::max(chars[static_cast<std::size_t>(k)], static_cast<int>(f[static_cast<std::size_t>(k)].size()) + 1);
      if (!f[static_cast<std::size_t>(k)].empty()) n = std::max(n, k + 1);
    }
    top += (2 * o + h) * s;
  });
  // Placing.
  double right = x0 + w * s, y = top;
  bool first = true;
  ForEachLine(sjis, [&](std::string_view line) {
    SplitFieldViews(line, f, sep);
    y -= (h + o) * s;
    double x = x0;
    for (int k = 0; k < n; ++k) {
      x += o * s;
      if (addCells) {
        std::string text(f[static_cast<std::size_t>(k)]);
        for (char& c : text)
          if (static_cast<unsigned char>(c) < 32) c = ' ';
        AddText(text, x, y);
      }
      x += ((w + p) * chars[static_cast<std::size_t>(k)] / 2 + o) * s;
      if (first && addCells) AddLine(x, y0, x, top);
    }
    first = false;
    right = x;
    y -= o * s;
    if (addCells) AddLine(x0, y, right, y);
  });
  if (addCells) {
    AddLine(x0, top, right, top);
    AddLine(x0, y0, x0, top);
  }
  return {right - x0, top - y0};
}

bool ImportTable(const fs::path& fileName, TTableSize& size, double x0, double y0, char sep, bool addCells) {
  std::string sjis;
  if (!ReadImport(fileName, sjis)) return false;
  size = ImportTableBytes(sjis, x0, y0, sep, addCells);
  return true;
}

// ---- Map ----------------------------------------------------------------------------

namespace {

// Little-endian reads within the bytes; false past their end.
struct TMapReader {
  std::string_view b;
  bool U32(std::size_t at, std::uint32_t& v) const {
    if (at > b.size() || b.size() - at < 4) return false;
    v = static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
        static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
        static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
        static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
    return true;
  }
  bool I16(std::size_t at, int& v) const {
    if (at > b.size() || b.size() - at < 2) return false;
    v = static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                                             static_cast<unsigned char>(b[at + 1]) << 8));
    return true;
  }
};

// The longest polyline or polygon record read, in words (longer ones are skipped).
constexpr std::uint32_t kMaxRecordWords = 2001;

}  // namespace

void ImportMapBytes(std::string_view bytes, const std::string& layerList) {
  const TMapReader r{bytes};
  const bool rotate = layerList.find_first_of("Rr") != std::string::npos;
  std::vector<int> layers;
  const std::size_t start = layerList.find_first_not_of(' ');
  if (start != std::string::npos && layerList[start] == '*') {
    layers.push_back(255);
    for (int a = 1; a <= 254; ++a) layers.push_back(a);
  } else {
    TFields f;
    const int n = SplitFields(layerList, f, ',');
    for (int i = 0; i < n; ++i) {
      const std::string& t = f[static_cast<std::size_t>(i)];
      const double v = ParseReal(t);
      if (t.find_first_of("0123456789") == std::string::npos || v < 1 || v > 255 || v != std::trunc(v)) break;
      layers.push_back(static_cast<int>(v));
    }
  }
  std::uint32_t seed = 12345;  // the same colours every time
  auto random = [&seed](int lo, int count) {
    seed = seed * 1103515245u + 12345u;
    return lo + static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(count));
  };
  int pen = 1;
  for (std::size_t k = 0; k < layers.size(); ++k) {
    const int a = layers[k];
    const std::uint8_t layerCode = static_cast<std::uint8_t>(k % 256);
    std::uint32_t first = 0, length = 0;
    if (r.U32(64 + 8 * static_cast<std::size_t>(a), first) && r.U32(64 + 8 * static_cast<std::size_t>(a) + 4, length)) {
      std::size_t pos = 4 * static_cast<std::size_t>(first);
      std::uint32_t used = 0;
      std::uint32_t header = 0;
      while (used < length && r.U32(pos, header)) {
        const std::uint32_t L = header & 0xFFFFF, type = header >> 26;
        if (L == 0) break;  // the layer's end
        const std::uint32_t words = L;
        if (type == 16 && L > 4 && L < kMaxRecordWords) {
          int x = 0, y = 0;
          std::size_t at = pos + 12;
          if (r.I16(at, x) && r.I16(at + 2, y)) {
            double px = x, py = -y;
            for (std::uint32_t i = 0; i < L - 4; ++i) {
              at += 4;
              if (!r.I16(at, x) || !r.I16(at + 2, y)) break;
              GcellAddLine(layerCode, static_cast<std::uint16_t>(16 + pen), px, py, x, -y);
              px = x, py = -y;
            }
          }
          if (rotate) pen = pen % 6 + 1;
        } else if (type == 17 && L > 5 && L < kMaxRecordWords) {
          int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
          std::size_t at = pos + 4;
          if (r.I16(at, x1) && r.I16(at + 2, y1) && r.I16(at + 4, x2) && r.I16(at + 6, y2)) {
            std::string text = "$FFFFFF";
            if (a == 255) {
              const int red = random(64, 64), green = random(64, 64), blue = random(64, 16);
              text = "$" + Format("%.6x", {static_cast<long long>(blue << 16 | green << 8 | red)});
            }
            at += 8;
            int points = 0;
            for (std::uint32_t i = 0; i < L - 3; ++i, at += 4) {
              int x = 0, y = 0;
              if (!r.I16(at, x) || !r.I16(at + 2, y)) break;
              text += "," + std::to_string(x) + "," + std::to_string(-y);
              ++points;
            }
            if (points >= 3) {
              TGcell c;
              c.kind = GK_POLYGON;
              c.layer = 0;
              c.pen = 0x11;
              c.p[0] = x1, c.p[1] = -y2, c.p[2] = x2, c.p[3] = -y1;
              c.text = text;
              GcellAdd(c);
            }
          }
        }
        used += words;
        pos += 4 * static_cast<std::size_t>(words);
        if (pos >= bytes.size()) break;
      }
    }
    pen = pen % 6 + 1;
  }
}

bool ImportMap(const fs::path& fileName) {
  std::string list = "1,9,78,80,81";
  if (!Platform().InputQuery("レイヤー番号入力", "読み込むレイヤー番号(1..255)？", list)) return false;
  std::string bytes;
  const ReadFileResult r = ReadFileContents(fileName, kMaxImport, bytes);
  if (r != ReadFileResult::Ok || bytes.size() > kMaxImport) return false;
  ImportMapBytes(bytes, list);
  return true;
}
