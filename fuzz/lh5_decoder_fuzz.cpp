// libFuzzer target for the -lh5- decoder behind ".VLZ" files: any bytes,
// as a bare stream and behind the signature header, must neither crash,
// hang, leak nor trip a sanitizer, and must respect the output limit. A
// stream that decodes is encoded again and must decode to the same bytes.
// Decoded from a file, it must give the same answer, leave an existing
// target as it was when it fails, and, asked to keep what came before
// damage, keep only bytes within the limit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "files/Z_Compress.h"

namespace {

// Small enough that a hostile stream expanding to the limit stays quick.
constexpr std::uint64_t kLimit = std::uint64_t{1} << 22;

std::filesystem::path g_dir;

void RemoveDir() {
  std::error_code ec;
  std::filesystem::remove_all(g_dir, ec);
}

void Setup() {
  char pattern[] = "/tmp/lh5_fuzz_XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (!dir) std::abort();
  g_dir = dir;
  std::atexit(RemoveDir);
}

void Put(const std::filesystem::path& path, std::span<const unsigned char> bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) std::abort();
}

std::vector<unsigned char> Get(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) std::abort();
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

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

  static const bool ready = (Setup(), true);
  (void)ready;
  const std::filesystem::path source = g_dir / "in.vlz", target = g_dir / "out.vld";
  Put(source, file);
  static constexpr unsigned char kOld[] = {'o', 'l', 'd'};
  Put(target, kOld);
  bool damaged = false;
  std::string why;
  const bool ok3 = DecompressFile(kVlzSignature, target, source, &why, &damaged, kLimit);
  const std::vector<unsigned char> got = Get(target);
  if (!ok3 && (got != std::vector<unsigned char>(std::begin(kOld), std::end(kOld)) || why.empty())) std::abort();
  if ((ok3 && !damaged) != ok || (ok && got != out)) std::abort();
  if (damaged && (!ok3 || got.empty() || got.size() > kLimit || why.empty())) std::abort();
  return 0;
}
