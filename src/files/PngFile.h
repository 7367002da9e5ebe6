// Writing a picture as a PNG file (8-bit RGB, no interlace), for the
// command line's --render: quick on what drawings look like (long runs of
// the background colour), and without the toolkit.
#pragma once

#include <filesystem>
#include <string>

#include "kernel/Platform.h"

// The PNG file's bytes for the image (its pixels 0xFFRRGGBB); empty for an
// image without pixels.
std::string PngBytes(const TRasterImage& image);
// Writes the file through a new file renamed over the old one; false when
// it could not be written (an existing file is then left as it was).
bool WritePngFile(const std::filesystem::path& path, const TRasterImage& image);
