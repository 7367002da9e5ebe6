// Picture files placed in drawings: finding the file a picture cell names
// and decoding it (BMP by our own reader, JPEG by libjpeg). The renderer
// reaches LoadPictureFile through the loader hook the assembly installs
// (g_wiring.loadPicture, kernel/Wiring.h).
//
// Picture names come from drawings made on Windows: CP932 text that may be
// a Windows path. A name is looked up as follows, the first file found wins:
//   1. the name converted to UTF-8 with "\" read as "/", a leading drive
//      letter ("C:") dropped so the rest counts from the root; a relative
//      name counts from the drawing's folder (or the current folder for an
//      untitled drawing);
//   2. the same path with each component matched without regard to the case
//      of ASCII letters, where the exact spelling is not there;
//   3. the name's last component in the drawing's folder, again exactly and
//      then without regard to case.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "kernel/Platform.h"

// The local file a picture name stands for; empty when none is found.
// folder: where relative names and lone file names are looked up.
std::filesystem::path ResolvePictureName(std::string_view sjisName, const std::filesystem::path& folder);

// Decodes a baseline or progressive JPEG file's bytes (grey or colour).
bool DecodeJpeg(std::string_view bytes, TRasterImage& image);

// The picture a cell names, by the file's extension (".BMP"; ".JPG",
// ".JPEG"; any case); false for other extensions, a missing file or one that
// does not decode. Relative names count from the current drawing's folder.
bool LoadPictureFile(const std::string& sjisName, TRasterImage& image);
