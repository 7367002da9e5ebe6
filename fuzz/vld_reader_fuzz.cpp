// libFuzzer target for the native drawing reader: any bytes, read as a
// drawing at no offset and again as pasted text at an offset, must neither
// crash, hang, leak nor trip a sanitizer. Extracted pictures go to a
// private temporary folder and are removed with the cells that own them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "files/fLoad_VLD.h"
#include "kernel/Common.h"
#include "kernel/ProgramDir.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

void Setup() {
  char pattern[] = "/tmp/vld_fuzz_XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (!dir) std::abort();
  g_programDir.folder = std::string(dir) + "/";
  // Plain ASCII, so the same bytes in CP932 and UTF-8.
  g_programDir.tempPrefix = g_programDir.folder + "#TMP0000FUZZ#";
}

void ReadOnce(std::string_view text, double dx, double dy) {
  GC_DB_Reset();
  PVC_Reset();
  Common_Reset();
  VldLoadText(text, dx, dy, "fuzz");
  GcellClearWindow(StoreWindow());  // deletes the pictures the cells own
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = (Setup(), true);
  (void)ready;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ReadOnce(text, 0, 0);
  ReadOnce(text, 12.5, -3);
  return 0;
}
