#include "files/fSave_VLD.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

#include "app/GC_PointSearch.h"
#include "files/BmpIo.h"
#include "kernel/Platform.h"
#include "kernel/ProgramDir.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/PVC.h"

namespace fs = std::filesystem;

bool TVldSink::Flush() {
  if (!file_ || buf_.empty()) return !failed_;
  if (!failed_ && std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size()) failed_ = true;
  buf_.clear();
  return !failed_;
}

namespace {

// ---- Numbers --------------------------------------------------------------

// Fixed-point with 2, 4 or 9 decimals (Format rounds the exact binary value,
// ties to even, and never writes "-0.00").
void PutFixed(std::string& out, double x, int decimals) {
  out += Format(decimals == 2 ? "%.2f" : decimals == 4 ? "%.4f" : "%.9f", {x});
}

void PutInt(std::string& out, long long v) { out += Format("%d", {v}); }

// ",x" for each x at the given decimals.
void Reals(std::string& out, std::initializer_list<double> xs, int decimals) {
  for (double x : xs) {
    out += ',';
    PutFixed(out, x, decimals);
  }
}

const char* Bool(bool b) { return b ? "TRUE" : "FALSE"; }

// ---- Texts ----------------------------------------------------------------

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// A text that cannot break its record: TAB, CR and LF become blanks, and so
// does `extra` (the field separator of the record, or 0). A lead byte
// without its trail byte would swallow the separator after it when read
// back, so it becomes "?".
std::string Safe(std::string_view s, char extra) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const char c = out[i];
    if (c == '\t' || c == '\r' || c == '\n' || (extra && c == extra)) {
      out[i] = ' ';
    } else if (IsLeadByte(static_cast<unsigned char>(c))) {
      if (i + 1 < out.size() && IsTrailByte(static_cast<unsigned char>(out[i + 1])))
        ++i;
      else
        out[i] = '?';
    }
  }
  return out;
}

// A line of free text (a text, a polygon's point list, a file name): only
// line breaks matter, the line is read back whole.
std::string SafeLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

// The start of an element record: name, the reserved 0, layer code, pen word.
void Head(std::string& out, const char* name, const TGcell& c) {
  out += name;
  out += ",0,";
  PutInt(out, c.layer);
  out += ',';
  PutInt(out, c.pen);
}

// The program folder in the drawings' encoding, followed by "#TMP": the
// start of the names of the program's own temporary files.
std::string OwnTempStart() {
  if (g_programDir.folder.empty()) return {};
  return Utf8ToSjis(g_programDir.folder) + "#TMP";
}

// The extension of a file name as stored, from its last "." after the last
// folder separator; empty when there is none.
std::string_view ExtensionOf(std::string_view name) {
  const std::size_t slash = name.find_last_of('/');
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return name.substr(dot);
}

bool ReadWholeFile(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

void ShowSaveError(const fs::path& fileName, const char* why) {
  Platform().MessageBox(Format("ファイル<%s>に保存できません.%s", {Utf8ToSjis(fileName.string()), why}),
                        "Velmo", MsgButtons::Abort, MsgIcon::Error);
}

// ---- Settings -------------------------------------------------------------

void VldWriteSettings(TVldSink& out) {
  const TPVC& p = CurPVC();
  std::string s;
  auto line = [&] {
    out.Line(s);
    s.clear();
  };
  out.Line("$BEGIN,HEADER");

  s = "CF_SCALE";
  Reals(s, {p.basicScale, p.basicScale}, 4);
  line();
  s = "CF_ARWSIZE";
  Reals(s, {p.dimArrowLength, p.dimArrowAngle}, 2);
  line();
  s = "CF_SOFFSET";
  Reals(s, {p.dimExtGap}, 2);
  s += ",1";
  Reals(s, {p.dimExtOvershoot, p.dimTextGap, p.textOffset}, 2);
  line();
  s = "CF_S_PITCH";
  Reals(s, {p.dimPitch}, 2);
  s += p.realGrid ? ",1" : ",0";
  Reals(s, {p.realGridSpacing}, 4);
  line();
  s = Format("CF_S_UNIT,%d,%d", {p.dimUnit, p.dimDecimals});
  line();
  s = Format("CF_SUNPOKJ,%s,%d,%d", {Bool(p.dimFullWidth), p.dimThousands ? 1 : 0, p.dimStripZeros ? 1 : 0});
  line();
  s = "CF_TUBOSIZ";
  Reals(s, {p.tuboArea}, 2);
  line();
  s = Format("CF_PENLAY,%d,%d", {p.writePen, p.writeLayer});
  for (int k = 1; k <= 5; ++k) s += Format(",%d", {p.penPresets[static_cast<std::size_t>(k)]});
  s += 's';
  line();
  s = Format("CF_SUNPOPM,%d,%d", {p.dimPen, p.dimTextSize});
  line();
  s = "CF_PENCOLOR";
  for (int k = 1; k <= 10; ++k) s += Format(",%2d", {p.pens[static_cast<std::size_t>(k)].colorIndex});
  s += Format(",%2d", {p.selectionColor});
  line();
  s = "CF_PENWIDTH";
  for (int k = 1; k <= 10; ++k) s += Format(",%2d", {p.pens[static_cast<std::size_t>(k)].printWidth});
  line();
  s = "CF_BLACKP";
  for (int k = 1; k <= 10; ++k) s += p.pens[static_cast<std::size_t>(k)].printBlack ? ",1" : ",0";
  line();
  s = Format("CF_PENWMODE,%s,%s", {Bool(p.varyWidths), Bool(!p.monochrome)});
  line();
  const char* sizeRecords[3] = {"CF_MJSIZH", "CF_MJSIZW", "CF_MJSIZP"};
  for (int r = 0; r < 3; ++r) {
    s = sizeRecords[r];
    for (int k = 1; k <= 10; ++k) {
      const TTextSize& t = p.textSizes[static_cast<std::size_t>(k)];
      s += Format(",%4.1f", {r == 0 ? t.height : r == 1 ? t.width : t.spacing});
    }
    line();
  }
  s = "CF_MJDXFP";
  for (int k = 1; k <= 10; ++k) s += Format(",%4d", {p.textSizes[static_cast<std::size_t>(k)].pen});
  line();
  // Names twice: comma-separated for older readers, then TAB-separated,
  // which keeps a comma in a name.
  for (int g = 0; g < kGroupCount; ++g) {
    const TGroupEntry& grp = p.groups[static_cast<std::size_t>(g)];
    s = Format("CF_LAYER,%2d,", {g}) + Safe(grp.name, ',');
    for (const TLayerEntry& l : grp.layers) {
      s += ',';
      s += Safe(l.name, ',');
    }
    line();
  }
  for (int g = 0; g < kGroupCount; ++g) {
    const TGroupEntry& grp = p.groups[static_cast<std::size_t>(g)];
    s = Format("CF_LNAME\t%2d\t", {g}) + Safe(grp.name, 0);
    for (const TLayerEntry& l : grp.layers) {
      s += '\t';
      s += Safe(l.name, 0);
    }
    line();
  }
  s = "CF_VW_GRP";
  for (const TGroupEntry& grp : p.groups) s += grp.visible ? ",1" : ",0";
  line();
  for (int g = 0; g < kGroupCount; ++g) {
    s = Format("CF_VW_LAY,%d", {g});
    for (const TLayerEntry& l : p.groups[static_cast<std::size_t>(g)].layers) s += l.visible ? ",1" : ",0";
    line();
  }
  s = "CF_WRTLAY";
  for (const TGroupEntry& grp : p.groups) s += Format(",%d", {grp.lastLayer});
  line();
  s = Format("CF_LAYPEN,%d", {p.penPerLayer ? 1 : 0});
  for (std::uint16_t w : p.layerPens) s += Format(",$%.2x", {w});
  line();
  s = "CF_SCALE1";
  Reals(s, {p.basicScale}, 4);
  line();
  for (int g = 0; g < kGroupCount; ++g) {
    const TGroupEntry& grp = p.groups[static_cast<std::size_t>(g)];
    s = Format("CF_SCALE2,%2d", {g});
    Reals(s, {grp.scaleX, grp.scaleY}, 4);
    line();
  }
  s = Format("CF_PLOTER,%d", {p.printerType});
  line();
  s = Format("CF_PSIZE,%d", {p.paperSize});
  line();
  s = Format("CF_PORNT,%d", {p.paperOrientation});
  line();
  s = Format("CF_PQLTY,%s", {Bool(p.finePrint)});
  line();
  s = Format("CF_PLAYER,%d", {p.playerFlag != 0 ? 1 : 0});
  for (int k = 1; k <= 7; ++k) {
    const TPenEntry& pen = p.pens[static_cast<std::size_t>(k)];
    s += Format(",%2d,%2d", {pen.plotterA, pen.plotterB});
  }
  line();
  s = Format("CF_ETC1,%d", {p.layerSync ? 1 : 0});
  line();

  out.Line("$ENDS,HEADER");
}

// ---- Elements -------------------------------------------------------------

std::string VldCellLine(const TGcell& c) {
  std::string s;
  const double* p = c.p;
  switch (c.kind) {
    case GK_POINT:
      Head(s, "POINT", c);
      Reals(s, {p[0], p[1]}, 4);
      break;
    case GK_LINE:
      Head(s, "LINE", c);
      Reals(s, {p[0], p[1], p[2], p[3]}, 4);
      s += ",0";
      break;
    case GK_CIRCLE:
      Head(s, "CIRCLE", c);
      Reals(s, {p[0], p[1], p[4], p[5], p[6]}, 4);
      break;
    case GK_ARC:
    case GK_POLYARC:
      Head(s, c.kind == GK_ARC ? "ARC" : "POLYARC", c);
      Reals(s, {p[0], p[1], p[4]}, 4);
      Reals(s, {p[7], p[8]}, 9);
      Reals(s, {p[5]}, 4);
      Reals(s, {p[6]}, 9);
      if (c.kind == GK_POLYARC) {
        s += ',';
        s += Safe(c.text, ',');
      }
      break;
    case GK_POLYGON:
      Head(s, "POLYGON", c);
      Reals(s, {p[0], p[1], p[2], p[3]}, 4);
      s += "\r\n";
      s += SafeLine(c.text);
      break;
    case GK_FILL4K:
      Head(s, "FILL4K", c);
      Reals(s, {p[0], p[1], p[2], p[3], p[4], p[5], p[7], p[8]}, 4);
      s += ',';
      s += Safe(c.text, ',');
      break;
    case GK_TEXT:
      Head(s, "TEXT", c);
      Reals(s, {p[0], p[1], p[6]}, 4);
      s += ',';
      PutInt(s, c.size);
      s += c.vertical ? ",1" : ",0";
      Reals(s, {p[3], p[2], p[4]}, 4);
      s += "\r\n";
      s += SafeLine(c.text);
      break;
    default: break;  // pictures have their own writer; nothing for the rest
  }
  return s;
}

void VldWritePictureData(TVldSink& out, std::string_view bytes) {
  std::string line;
  for (std::size_t at = 0; at < bytes.size(); at += 60) {
    const std::size_t n = std::min<std::size_t>(60, bytes.size() - at);
    line.assign(1, ':');
    line += static_cast<char>(0x30 + n);
    for (std::size_t g = 0; g < n; g += 3) {
      std::uint32_t v = 0;
      for (std::size_t k = 0; k < 3; ++k) {
        v <<= 8;
        if (g + k < n) v |= static_cast<unsigned char>(bytes[at + g + k]);
      }
      for (int shift = 18; shift >= 0; shift -= 6) line += static_cast<char>(0x30 + ((v >> shift) & 63));
    }
    out.Line(line);
  }
  out.Line(":0");
}

void VldWritePicture(TVldSink& out, const TGcell& c) {
  std::string name = c.text;  // CP932
  std::string bytes;
  bool readable = ReadWholeFile(SjisToUtf8(name), bytes);
  if (readable && UpperAscii(ExtensionOf(name)) == ".BMP" && !g_programDir.folder.empty()) {
    TRasterImage image;
    std::string jpeg;
    // Embedded under a temporary-file name ("Image.JPG" in the file); the
    // bytes go from memory, so no scratch file is shared between runs.
    if (DecodeBmp(bytes, image) && EncodeJpeg(image, jpeg)) {
      name = Utf8ToSjis((fs::path(g_programDir.folder) / "#TMP.JPG").string());
      bytes = std::move(jpeg);
    }
  }

  std::string s;
  Head(s, "PICTUR", c);
  const double* p = c.p;
  Reals(s, {p[0], p[1], p[2], p[3], p[4], p[5], p[7], p[8]}, 4);
  out.Line(s);
  if (!readable) {
    // No data to embed: keep the name, as a reference without data.
    // A name starting with ":" would read as embedded data.
    const std::string ref = SafeLine(name);
    if (!ref.empty() && ref[0] == ':') out.Put(" ");
    out.Line(ref);
    return;
  }
  const std::string own = OwnTempStart();
  if (!own.empty() && name.compare(0, own.size(), own) == 0) {
    out.Put(":Image");
    out.Line(SafeLine(ExtensionOf(name)));
  } else {
    out.Put(":");
    out.Line(SafeLine(name));
  }
  VldWritePictureData(out, bytes);
}

// ---- Whole files ----------------------------------------------------------

void VldWrite(TVldSink& out) {
  std::string s(kVldProduct);
  s += '\t';
  s += kVldVersion;
  s += '\t';
  s += kVldDate;
  out.Line(s);
  const TExtents e = GcellExtents();
  s = "CF_WINDOW, ";
  PutFixed(s, e.xmin - 1, 2);
  Reals(s, {e.ymin - 1, e.xmax + 1, e.ymax + 1}, 2);
  out.Line(s);
  VldWriteSettings(out);
  out.Line("$BEGIN,BLOCKS");
  out.Line("$ENDS,BLOCKS");
  out.Line("$BEGIN,ENTITIES");
  const int used = StoreUsed();
  const int window = StoreWindow();
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != window) continue;
    if (c.kind == GK_PICTURE)
      VldWritePicture(out, c);
    else
      out.Line(VldCellLine(c));  // empty for a deleted cell: readers skip it
  }
  out.Line("$ENDS,ENTITIES");
  out.Line("$EOF");
}

bool VldSave(const fs::path& fileName, bool compactFirst) {
  if (compactFirst) GcellCompact(true);
  TReplacement tmp(fileName);
  if (!tmp.file()) {
    ShowSaveError(fileName, "書き込み用のファイルを作れません.");
    return false;
  }
  TVldSink out(tmp.file());
  VldWrite(out);
  if (!out.Flush() || !tmp.Commit()) {
    ShowSaveError(fileName, "書き込み中にエラーが発生しました.");
    return false;
  }
  return true;
}

// ---- Clipboard ------------------------------------------------------------

void CopySelectionToClipboard() {
  TExtents e{1e9, 1e9, -1e9, -1e9};
  std::string cells;
  bool any = false;
  TCellPieces pieces;
  const int used = StoreUsed();
  const int window = StoreWindow();
  for (int i = 1; i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != window || c.kind <= 0 || !(c.pen & PEN_SELECTED)) continue;
    WidenByCell(e, c, pieces);
    TGcell copy = c;
    copy.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
    cells += VldCellLine(copy);  // empty for a picture: pictures are not copied
    cells += "\r\n";
    any = true;
  }
  if (!any) return;
  std::string s(kVldProduct);
  s += '\t';
  s += kVldVersion;
  s += "\r\nCF_WINDOW, ";
  PutFixed(s, e.xmin - 1, 2);
  Reals(s, {e.ymin - 1, e.xmax + 1, e.ymax + 1}, 2);
  s += "\r\n";
  s += cells;
  s += "$EOF\r\n";
  Platform().SetClipboardText(s);
}
