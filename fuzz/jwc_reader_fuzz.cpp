// libFuzzer target for the JWC and JWK reader: any bytes must neither crash,
// hang, leak nor trip a sanitizer, and every cell it adds must be finite and
// within the coordinate limit. Inputs are read as a drawing and as a part,
// and once more after a count block that asks for many records, so that the
// fuzzer reaches the arrays without first having to spell the text blocks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ReaderCheck.h"
#include "files/fLoad_JWC.h"

namespace {

std::string Block(std::string text) {
  text += '\0';
  text.resize(199, ' ');
  return text + '\n';
}

}  // namespace

using readercheck::Check;
using readercheck::Fresh;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (bool part : {false, true}) {
    Fresh();
    JwcLoadBytes(bytes, part, 0, 0);
    Check();
  }
  Fresh();
  const std::string head = Block("jw_cad(c)data.......a.f.m") +
                           Block("3,3,3,3,101,2,2,2,2,1,3,3,6,9,4.87,9.74,5,10,23270,0,0,0,1,2,3,5,5,0,0,0,518,0") +
                           Block("0.5,1,2,15") + Block("0000:0000,0000:0040");
  JwcLoadBytes(head + std::string(bytes), false, 12.5, -3);
  Check();
  return 0;
}
