// libFuzzer target for the JWW reader: any bytes must neither crash, hang,
// leak nor trip a sanitizer, and every cell it adds must be finite and
// within the coordinate limit. Inputs are read as they are and after the
// signature and a recent version, so that the fuzzer spends its time on the
// header and the objects rather than on the first twelve bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ReaderCheck.h"
#include "files/fLoad_JWW.h"

using readercheck::Check;
using readercheck::Fresh;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Fresh();
  JwwLoadBytes(bytes, 0, 0);
  Check();

  Fresh();
  const std::string signed700 = std::string("JwwData.\xBC\x02\0\0", 12) + std::string(bytes);
  JwwLoadBytes(signed700, 12.5, -3);
  Check();
  return 0;
}
