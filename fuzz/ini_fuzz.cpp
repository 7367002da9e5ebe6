// libFuzzer target for the configuration file reader: any bytes must neither
// crash, hang, leak nor trip a sanitizer, and the properties IniCheck.h
// checks must hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "IniCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kIniMaxFile) return 0;
  if (const char* failed = inicheck::IniCheckInput(std::string_view(reinterpret_cast<const char*>(data), size))) {
    std::fprintf(stderr, "failed: %s\n", failed);
    std::abort();
  }
  return 0;
}
