#include "files/PngFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "kernel/ReplaceFile.h"

namespace {

void Be32(std::string& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
  Be32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t at = out.size();
  out.append(type, 4);
  out += data;
  const auto* p = reinterpret_cast<const Bytef*>(out.data() + at);
  Be32(out, static_cast<std::uint32_t>(crc32(0, p, static_cast<uInt>(out.size() - at))));
}

}  // namespace

std::string PngBytes(const TRasterImage& image) {
  const int w = image.width, h = image.height;
  if (w < 1 || h < 1 || image.pixels.size() < static_cast<std::size_t>(w) * h) return {};
  std::string header;
  Be32(header, static_cast<std::uint32_t>(w));
  Be32(header, static_cast<std::uint32_t>(h));
  header += '\x08';  // bits per sample
  header += '\x02';  // RGB
  header.append(3, '\0');  // deflate, adaptive filtering, no interlace

  // A row like the one above is filtered by "Up" (all zeros); any other by
  // "Sub" (a run of one colour becomes zeros); then deflated for runs,
  // which is what drawings are made of.
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK) return {};
  std::string data;
  std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3 + 1);
  std::vector<unsigned char> out(1 << 16);
  bool ok = true;
  for (int y = 0; y < h && ok; ++y) {
    const std::uint32_t* px = image.pixels.data() + static_cast<std::size_t>(y) * w;
    if (y > 0 && std::memcmp(px, px - w, static_cast<std::size_t>(w) * sizeof *px) == 0) {
      row[0] = 2;  // Up
      std::fill(row.begin() + 1, row.end(), 0);
    } else {
      row[0] = 1;  // Sub
      unsigned char pr = 0, pg = 0, pb = 0;
      for (int x = 0; x < w; ++x) {
        const auto r = static_cast<unsigned char>(px[x] >> 16), g = static_cast<unsigned char>(px[x] >> 8),
                   b = static_cast<unsigned char>(px[x]);
        unsigned char* o = &row[1 + static_cast<std::size_t>(x) * 3];
        o[0] = static_cast<unsigned char>(r - pr);
        o[1] = static_cast<unsigned char>(g - pg);
        o[2] = static_cast<unsigned char>(b - pb);
        pr = r, pg = g, pb = b;
      }
    }
    z.next_in = row.data();
    z.avail_in = static_cast<uInt>(row.size());
    const int flush = y + 1 == h ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      const int rc = deflate(&z, flush);
      if (rc == Z_STREAM_ERROR) ok = false;
      data.append(reinterpret_cast<const char*>(out.data()), out.size() - z.avail_out);
    } while (ok && (z.avail_in > 0 || (flush == Z_FINISH && z.avail_out == 0)));
  }
  deflateEnd(&z);
  if (!ok) return {};

  std::string png("\x89PNG\r\n\x1a\n", 8);
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", data);
  Chunk(png, "IEND", std::string());
  return png;
}

bool WritePngFile(const std::filesystem::path& path, const TRasterImage& image) {
  const std::string bytes = PngBytes(image);
  // A picture the command line can make again: not worth waiting for the disk.
  return !bytes.empty() && ReplaceFileContents(path, bytes, false);
}
