// libFuzzer target for the text, table and map importers: any bytes must
// neither crash, hang, leak nor trip a sanitizer, and every cell they add
// must be finite and within the coordinate limit. The first byte picks the
// reader (and for maps the layer list), the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ReaderCheck.h"
#include "files/fImport.h"

using readercheck::Check;
using readercheck::Fresh;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  Fresh();
  switch (data[0] % 4) {
    case 0: ImportTextBytes(ImportTextBytesToSjis(bytes, nullptr)); break;
    case 1: ImportTableBytes(ImportTextBytesToSjis(bytes, nullptr), 0, 0, 0, true); break;
    case 2: ImportMapBytes(bytes, "1,9,78,80,81"); break;
    default: ImportMapBytes(bytes, "*R"); break;
  }
  Check();
  return 0;
}
