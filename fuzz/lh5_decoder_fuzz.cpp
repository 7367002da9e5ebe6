// libFuzzer target for the -lh5- decoder behind ".VLZ" files: any bytes,
// as a bare stream and behind the signature header, must neither crash,
// hang, leak nor trip a sanitizer, and must respect the output limit. A
// stream that decodes is encoded again and must decode to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "files/Z_Compress.h"

namespace {

// Small enough that a hostile stream expanding to the limit stays quick.
constexpr std::uint64_t kLimit = std::uint64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const unsigned char> in(data, size);
  std::vector<unsigned char> out;
  std::string reason;
  const bool ok = Lh5Decode(in, out, &reason, kLimit);
  if (out.size() > kLimit) std::abort();
  if (!ok && (!out.empty() || reason.empty())) std::abort();
  if (ok) {
    const std::vector<unsigned char> again = Lh5Encode(out);
    std::vector<unsigned char> back;
    if (!Lh5Decode(again, back) || back != out) std::abort();
  }

  std::vector<unsigned char> file = CompressHeader(kVlzSignature);
  file.insert(file.end(), data, data + size);
  std::vector<unsigned char> viaHeader;
  const bool ok2 = DecompressBytes(kVlzSignature, file, viaHeader, nullptr, kLimit);
  if (ok2 != ok || (ok && viaHeader != out)) std::abort();
  return 0;
}
