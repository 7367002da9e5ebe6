// libFuzzer target for the JWW reader: any bytes must neither crash, hang,
// leak nor trip a sanitizer, and every cell it adds must be finite and
// within the coordinate limit. Inputs are read as they are and after the
// signature and a recent version, so that the fuzzer spends its time on the
// header and the objects rather than on the first twelve bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/fLoad_JWW.h"
#include "files/fLoad_VLD.h"
#include "kernel/Common.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace {

void Fresh() {
  GC_DB_Reset();
  PVC_Reset();
  Common_Reset();
}

void Check() {
  for (int i = 1; i <= StoreUsed(); ++i)
    for (double v : GcellRef(i).p)
      if (!(std::fabs(v) <= kVldMaxCoord)) std::abort();
}

}  // namespace

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
