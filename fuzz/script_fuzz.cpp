// libFuzzer target for the reader of `velmo --script` files: any bytes must
// neither crash, hang, leak nor trip a sanitizer; a script refused names a
// line of the text and says why. Scripts are only read and checked here,
// never run: a fuzzed script would open and save files anywhere.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Velmo.h"
#include "VelmoScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = (WireVelmo(), true);
  (void)ready;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  int line = 0;
  std::string message;
  if (CheckScriptText(text, line, message)) return 0;
  const auto lines = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (line < 1 || line > lines || message.empty()) std::abort();
  return 0;
}
