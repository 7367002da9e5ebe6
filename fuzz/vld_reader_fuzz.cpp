// libFuzzer target for the native drawing reader: any bytes must neither
// crash, hang, leak nor trip a sanitizer, read from memory, streamed from a
// file in tiny chunks (every line straddles a chunk boundary), or pasted at
// an offset. The memory and the streamed reads must give the same cells and
// settings, and so must the general reading of LINE records that the
// one-pass reading stands in for. Extracted pictures go to a private
// temporary folder and are removed with the cells that own them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/fLoad_VLD.h"
#include "kernel/Common.h"
#include "kernel/ProgramDir.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

std::string g_dir;

void RemoveDir() {
  std::error_code ec;
  std::filesystem::remove_all(g_dir, ec);
}

void Setup() {
  char pattern[] = "/tmp/vld_fuzz_XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (!dir) std::abort();
  g_dir = dir;
  std::atexit(RemoveDir);
  g_programDir.folder = g_dir + "/";
  // Plain ASCII, so the same bytes in CP932 and UTF-8.
  g_programDir.tempPrefix = g_programDir.folder + "#TMP0000FUZZ#";
}

void Fresh() {
  GC_DB_Reset();
  PVC_Reset();
  Common_Reset();
}

// What a read left: the cells (picture names aside, their counter differs)
// and the settings as the writer would see them.
struct Result {
  bool ok = false;
  std::vector<TGcell> cells;
  double basicScale = 0;
  std::int32_t writeLayer = 0, writePen = 0;
  std::string names;
};

Result Take(bool ok) {
  Result r;
  r.ok = ok;
  for (int i = 1; i <= StoreUsed(); ++i) {
    TGcell c = GcellRef(i);
    if (c.kind == GK_PICTURE) c.text = {};
    r.cells.push_back(c);
  }
  const TPVC& p = CurPVC();
  r.basicScale = p.basicScale;
  r.writeLayer = p.writeLayer;
  r.writePen = p.writePen;
  for (const TGroupEntry& g : p.groups) {
    r.names += g.name;
    for (const TLayerEntry& l : g.layers) r.names += "|" + l.name;
  }
  GcellClearWindow(StoreWindow());  // deletes the pictures the cells own
  return r;
}

bool Same(const Result& a, const Result& b) {
  if (a.ok != b.ok || a.cells.size() != b.cells.size() || a.basicScale != b.basicScale ||
      a.writeLayer != b.writeLayer || a.writePen != b.writePen || a.names != b.names)
    return false;
  for (std::size_t i = 0; i < a.cells.size(); ++i) {
    const TGcell &x = a.cells[i], &y = b.cells[i];
    if (x.kind != y.kind || x.layer != y.layer || x.pen != y.pen || x.size != y.size || x.text != y.text)
      return false;
    for (int k = 0; k < 9; ++k)
      if (x.p[k] != y.p[k]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = (Setup(), true);
  (void)ready;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  Fresh();
  const Result memory = Take(VldLoadText(text, 0, 0, "fuzz"));

  if (size == 0) return 0;
  Fresh();
  std::FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (!f) std::abort();
  TVldLines lines(f, 3);
  const Result streamed = Take(VldLoadLines(lines, 0, 0, "fuzz"));
  std::fclose(f);
  if (!Same(memory, streamed)) std::abort();

  // The one-pass reading of plain LINE records must read what the general
  // field-by-field reading does.
  Fresh();
  g_fLoadVld.quickLines = false;
  const Result general = Take(VldLoadText(text, 0, 0, "fuzz"));
  g_fLoadVld.quickLines = true;
  if (!Same(memory, general)) std::abort();

  Fresh();
  Take(VldLoadText(text, 12.5, -3, "fuzz"));
  return 0;
}
