#include "files/BmpIo.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unordered_map>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

namespace {

void SetReason(std::string* reason, const char* text) {
  if (reason) *reason = text;
}

std::uint32_t U16(std::string_view b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
std::uint32_t U32(std::string_view b, std::size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}

// One colour channel given by a bit mask, scaled to 0..255.
struct TChannel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;
  explicit TChannel(std::uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  std::uint32_t Get(std::uint32_t px) const {
    if (!max) return 0;
    // A mask wider than its run of ones (holes) still yields 0..255.
    const std::uint64_t v = (px & mask) >> shift;
    return static_cast<std::uint32_t>(v * 255 / max);
  }
};

}  // namespace

bool DecodeBmp(std::string_view b, TRasterImage& image, std::string* reason) {
  image = {};
  if (b.size() < 26 || b[0] != 'B' || b[1] != 'M') {
    SetReason(reason, "ビットマップファイルではありません.");
    return false;
  }
  const std::uint32_t offBits = U32(b, 10);
  const std::uint32_t headerSize = U32(b, 14);
  std::int64_t width, height;
  std::uint32_t bpp, compression = 0, colorsUsed = 0;
  std::size_t paletteAt = 14 + static_cast<std::size_t>(headerSize);
  std::size_t paletteEntry = 4;
  std::uint32_t masks[3] = {0, 0, 0};
  if (headerSize == 12) {  // the OS/2 core header
    width = U16(b, 18);
    height = static_cast<std::int16_t>(U16(b, 20));
    bpp = U16(b, 24);
    paletteEntry = 3;
  } else if (headerSize >= 40 && headerSize <= 4096 && b.size() >= 14 + 40) {
    width = static_cast<std::int32_t>(U32(b, 18));
    height = static_cast<std::int32_t>(U32(b, 22));
    bpp = U16(b, 28);
    compression = U32(b, 30);
    colorsUsed = U32(b, 46);
    if (compression == 3) {  // BI_BITFIELDS: masks in the header, or right after a plain info header
      const std::size_t at = headerSize >= 52 ? 54 : 14 + static_cast<std::size_t>(headerSize);
      if (b.size() < at + 12) {
        SetReason(reason, "ビットマップファイルが壊れています.");
        return false;
      }
      for (int i = 0; i < 3; ++i) masks[i] = U32(b, at + 4 * static_cast<std::size_t>(i));
      if (headerSize < 52) paletteAt += 12;
    }
  } else {
    SetReason(reason, "この形式のビットマップは読めません.");
    return false;
  }

  const bool topDown = height < 0;
  if (topDown) height = -height;
  const bool paletted = bpp == 1 || bpp == 4 || bpp == 8;
  const bool supported = (compression == 0 && (paletted || bpp == 16 || bpp == 24 || bpp == 32)) ||
                         (compression == 3 && (bpp == 16 || bpp == 32));
  if (!supported) {
    SetReason(reason, "圧縮されたビットマップや、この色数のビットマップは読めません.");
    return false;
  }
  if (width <= 0 || height <= 0 || width * height > kBmpMaxPixels) {
    SetReason(reason, "ビットマップの大きさが正しくないか、大きすぎます.");
    return false;
  }
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
  if (offBits > b.size() || stride * static_cast<std::uint64_t>(height) > b.size() - offBits) {
    SetReason(reason, "ビットマップファイルが途中で切れています.");
    return false;
  }

  std::vector<std::uint32_t> palette;
  if (paletted) {
    std::size_t n = colorsUsed ? colorsUsed : (1u << bpp);
    n = std::min<std::size_t>(n, 1u << bpp);
    if (paletteAt > b.size() || n * paletteEntry > b.size() - paletteAt) {
      SetReason(reason, "ビットマップファイルが壊れています.");
      return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t at = paletteAt + i * paletteEntry;
      const std::uint32_t blue = static_cast<unsigned char>(b[at]);
      const std::uint32_t green = static_cast<unsigned char>(b[at + 1]);
      const std::uint32_t red = static_cast<unsigned char>(b[at + 2]);
      palette.push_back(0xFF000000u | red << 16 | green << 8 | blue);
    }
  }
  if (compression == 0 && bpp == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
  const TChannel red(masks[0]), green(masks[1]), blue(masks[2]);

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  image.width = w;
  image.height = h;
  image.pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFF000000u);
  for (int row = 0; row < h; ++row) {
    const std::size_t src = offBits + static_cast<std::size_t>(topDown ? row : h - 1 - row) * stride;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data()) + src;
    std::uint32_t* out = image.pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(w);
    for (int x = 0; x < w; ++x) {
      std::uint32_t px;
      if (paletted) {
        const std::size_t bit = static_cast<std::size_t>(x) * bpp;
        const unsigned index = (p[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        px = index < palette.size() ? palette[index] : 0xFF000000u;
      } else if (bpp == 24) {
        px = 0xFF000000u | static_cast<std::uint32_t>(p[3 * x + 2]) << 16 |
             static_cast<std::uint32_t>(p[3 * x + 1]) << 8 | p[3 * x];
      } else if (bpp == 32 && compression == 0) {
        px = 0xFF000000u | static_cast<std::uint32_t>(p[4 * x + 2]) << 16 |
             static_cast<std::uint32_t>(p[4 * x + 1]) << 8 | p[4 * x];
      } else {
        const std::uint32_t v = bpp == 16 ? static_cast<std::uint32_t>(p[2 * x] | p[2 * x + 1] << 8)
                                          : static_cast<std::uint32_t>(p[4 * x] | p[4 * x + 1] << 8 |
                                                                       p[4 * x + 2] << 16) |
                                                static_cast<std::uint32_t>(p[4 * x + 3]) << 24;
        px = 0xFF000000u | red.Get(v) << 16 | green.Get(v) << 8 | blue.Get(v);
      }
      out[x] = px;
    }
  }
  return true;
}

bool LoadBmpFile(const std::filesystem::path& path, TRasterImage& image, std::string* reason) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    SetReason(reason, "ビットマップファイルを開けません.");
    return false;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    SetReason(reason, "ビットマップファイルを読めません.");
    return false;
  }
  return DecodeBmp(bytes, image, reason);
}

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the encoder's checkpoint.
struct TJpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<TJpegError*>(cinfo->err);
  std::longjmp(e->jump, 1);
}

void JpegSilence(j_common_ptr) {}

// Only plain C objects live in this frame, so the jump skips no destructor.
bool EncodeRows(const TRasterImage& image, unsigned char* row, unsigned char** data, unsigned long* size) {
  jpeg_compress_struct cinfo;
  TJpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.output_message = JpegSilence;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, data, size);
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint32_t* src =
        image.pixels.data() + static_cast<std::size_t>(cinfo.next_scanline) * static_cast<std::size_t>(image.width);
    for (int x = 0; x < image.width; ++x) {
      row[3 * x] = static_cast<unsigned char>(src[x] >> 16);
      row[3 * x + 1] = static_cast<unsigned char>(src[x] >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(src[x]);
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

bool EncodeJpeg(const TRasterImage& image, std::string& jpeg) {
  jpeg.clear();
  if (image.width <= 0 || image.height <= 0 || image.width > 65500 || image.height > 65500 ||
      image.pixels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
    return false;
  std::vector<unsigned char> row(static_cast<std::size_t>(image.width) * 3);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  const bool ok = EncodeRows(image, row.data(), &data, &size);
  if (ok && data) jpeg.assign(reinterpret_cast<const char*>(data), size);
  std::free(data);
  return ok && !jpeg.empty();
}

namespace {

void PutLe(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool Usable(const TRasterImage& image) {
  return image.width > 0 && image.height > 0 && image.width <= 65500 && image.height <= 65500 &&
         image.pixels.size() >= static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

}  // namespace

bool IsDarkPixel(std::uint32_t p) {
  const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return r * 299 + g * 587 + b * 114 < 128 * 1000;
}

bool EncodeBmp(const TRasterImage& image, bool oneBit, std::string& bmp) {
  bmp.clear();
  if (!Usable(image)) return false;
  const std::size_t w = static_cast<std::size_t>(image.width), h = static_cast<std::size_t>(image.height);
  const std::size_t stride = oneBit ? (w + 31) / 32 * 4 : (w * 3 + 3) / 4 * 4;
  const std::size_t palette = oneBit ? 8 : 0, offset = 14 + 40 + palette, size = offset + stride * h;
  if (size > 0xFFFFFFFFu) return false;
  bmp.reserve(size);
  bmp += "BM";
  PutLe(bmp, static_cast<std::uint32_t>(size), 4);
  PutLe(bmp, 0, 4);
  PutLe(bmp, static_cast<std::uint32_t>(offset), 4);
  PutLe(bmp, 40, 4);
  PutLe(bmp, static_cast<std::uint32_t>(w), 4);
  PutLe(bmp, static_cast<std::uint32_t>(h), 4);  // bottom-up
  PutLe(bmp, 1, 2);
  PutLe(bmp, oneBit ? 1 : 24, 2);
  PutLe(bmp, 0, 4);  // no compression
  PutLe(bmp, static_cast<std::uint32_t>(stride * h), 4);
  PutLe(bmp, 3780, 4);  // 96 dots an inch
  PutLe(bmp, 3780, 4);
  PutLe(bmp, oneBit ? 2 : 0, 4);
  PutLe(bmp, 0, 4);
  if (oneBit) {
    PutLe(bmp, 0x00000000, 4);  // 0: black
    PutLe(bmp, 0x00FFFFFF, 4);  // 1: white
  }
  std::string row(stride, '\0');
  for (std::size_t y = h; y-- > 0;) {
    std::fill(row.begin(), row.end(), '\0');
    const std::uint32_t* src = image.pixels.data() + y * w;
    for (std::size_t x = 0; x < w; ++x) {
      if (oneBit) {
        if (!IsDarkPixel(src[x])) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
      } else {
        row[3 * x] = static_cast<char>(src[x] & 0xFF);
        row[3 * x + 1] = static_cast<char>((src[x] >> 8) & 0xFF);
        row[3 * x + 2] = static_cast<char>((src[x] >> 16) & 0xFF);
      }
    }
    bmp += row;
  }
  return true;
}

namespace {

int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(n));
  return n;
}

}  // namespace

bool EncodeGif(const TRasterImage& image, std::string& out) {
  out.clear();
  if (!Usable(image)) return false;
  const std::size_t n = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  // The image's own colours while there are at most 256 of them.
  std::vector<std::uint32_t> colours;
  std::unordered_map<std::uint32_t, GifByteType> index;
  std::vector<GifByteType> pixels(n);
  bool exact = true;
  for (std::size_t i = 0; i < n && exact; ++i) {
    const std::uint32_t c = image.pixels[i] & 0xFFFFFF;
    auto it = index.find(c);
    if (it == index.end()) {
      if (colours.size() == 256) {
        exact = false;
        break;
      }
      it = index.emplace(c, static_cast<GifByteType>(colours.size())).first;
      colours.push_back(c);
    }
    pixels[i] = it->second;
  }
  if (!exact) {  // 3 bits of red and green, 2 of blue
    colours.resize(256);
    for (std::uint32_t k = 0; k < 256; ++k)
      colours[k] = ((k >> 5) * 255 / 7) << 16 | (((k >> 2) & 7) * 255 / 7) << 8 | (k & 3) * 255 / 3;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t p = image.pixels[i];
      const std::uint32_t r = ((p >> 16) & 0xFF) * 7 / 255, g = ((p >> 8) & 0xFF) * 7 / 255, b = (p & 0xFF) * 3 / 255;
      pixels[i] = static_cast<GifByteType>(r << 5 | g << 2 | b);
    }
  }
  int bits = 1;
  while ((1u << bits) < colours.size()) ++bits;
  std::vector<GifColorType> table(std::size_t{1} << bits);
  for (std::size_t k = 0; k < colours.size(); ++k)
    table[k] = {static_cast<GifByteType>(colours[k] >> 16), static_cast<GifByteType>(colours[k] >> 8),
                static_cast<GifByteType>(colours[k])};
  int error = 0;
  GifFileType* gif = EGifOpen(&out, GifWrite, &error);
  if (!gif) return false;
  ColorMapObject* map = GifMakeMapObject(1 << bits, table.data());
  bool ok = map && EGifPutScreenDesc(gif, image.width, image.height, bits, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < image.height; ++y)
    ok = EGifPutLine(gif, pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width),
                     image.width) == GIF_OK;
  GifFreeMapObject(map);
  ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
  if (!ok) out.clear();
  return ok;
}
