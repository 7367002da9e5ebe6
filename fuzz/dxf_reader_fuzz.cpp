// libFuzzer target for the DXF reader: any bytes must neither crash, hang,
// leak nor trip a sanitizer, and every cell it adds must be finite and
// within the reader's range. Inputs are read as they are and after an
// ENTITIES section's opening, so that the fuzzer spends its time on the
// entities rather than on finding a section.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ReaderCheck.h"
#include "files/fLoad_DXF.h"

using readercheck::Check;
using readercheck::Fresh;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TDxfOptions options;
  options.sizeMode = static_cast<int>(size % 3);
  Fresh();
  DxfLoadText(bytes, options, "fuzz");
  Check();

  Fresh();
  DxfLoadText("0\nSECTION\n2\nENTITIES\n" + std::string(bytes), options, "fuzz");
  Check();
  return 0;
}
