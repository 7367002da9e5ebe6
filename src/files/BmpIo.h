// Windows bitmaps in, JPEG out: what embedding a bitmap picture in a drawing
// needs. The reader takes uncompressed bitmaps of 1, 4, 8 (palette), 16, 24
// and 32 bits per pixel, bottom-up or top-down, with the core, info and
// later headers; it checks every size against the data before it reads, so
// a damaged or hostile file is refused, never read past its end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "kernel/Platform.h"

// The largest picture the reader accepts, in pixels.
constexpr long long kBmpMaxPixels = 64LL * 1024 * 1024;

// Decodes the bytes of a bitmap file. False, with *reason (CP932) when
// given, for anything it does not take.
bool DecodeBmp(std::string_view bytes, TRasterImage& image, std::string* reason = nullptr);

// Reads and decodes a bitmap file.
bool LoadBmpFile(const std::filesystem::path& path, TRasterImage& image, std::string* reason = nullptr);

// The image as a JPEG file at the library's default settings (quality 75).
// False only for an empty image or when the library fails.
bool EncodeJpeg(const TRasterImage& image, std::string& jpeg);

// Whether a pixel (0xAARRGGBB) is dark: its luminance below middle grey.
bool IsDarkPixel(std::uint32_t pixel);

// The image as a Windows bitmap file: 24 bits per pixel, or with oneBit 1
// bit (black and white, a pixel darker than middle grey black).
bool EncodeBmp(const TRasterImage& image, bool oneBit, std::string& bmp);

// The image as a GIF file: its own colours when it has at most 256, else
// reduced to a palette of 8 reds, 8 greens and 4 blues.
bool EncodeGif(const TRasterImage& image, std::string& gif);
