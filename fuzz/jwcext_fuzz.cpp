// libFuzzer target for the external transform batches' two readers: the
// batch's directives and the file the batch leaves. Any bytes must neither
// crash, hang, leak nor trip a sanitizer, and every cell the result adds
// must be finite and within the coordinate limit.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ReaderCheck.h"
#include "files/Op_JwcExt.h"

using readercheck::Check;
using readercheck::Fresh;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Fresh();
  TJwcBatch batch;
  ParseBatchText(bytes, batch);
  ApplyJwcResult(nullptr, bytes, {12.5, -3});
  Check();
  return 0;
}
