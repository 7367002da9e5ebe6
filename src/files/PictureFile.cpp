#include "files/PictureFile.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include <jpeglib.h>

#include "files/BmpIo.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/PVC.h"

namespace fs = std::filesystem;

namespace {

// ---- JPEG ------------------------------------------------------------------

struct TJpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->jump, 1); }
void JpegSilence(j_common_ptr) {}

void SizeImage(TRasterImage& image, int w, int h) {
  image.width = w;
  image.height = h;
  image.pixels.assign(static_cast<std::size_t>(w) * h, 0xFF000000u);
}

// Only plain C objects live in this frame, so the jump skips no destructor
// (the image is sized in a call that has returned before any jump).
bool DecodeRows(const unsigned char* data, unsigned long size, TRasterImage* image) {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.output_message = JpegSilence;
  JSAMPLE* row = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::free(row);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const long long w = cinfo.output_width, h = cinfo.output_height;
  if (w <= 0 || h <= 0 || w * h > kBmpMaxPixels || cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  SizeImage(*image, static_cast<int>(w), static_cast<int>(h));
  row = static_cast<JSAMPLE*>(std::malloc(static_cast<std::size_t>(w) * 3));
  if (!row) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    const long long y = cinfo.output_scanline;
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&cinfo, rows, 1);
    std::uint32_t* out = image->pixels.data() + y * w;
    for (long long x = 0; x < w; ++x)
      out[x] = 0xFF000000u | (std::uint32_t{row[3 * x]} << 16) | (std::uint32_t{row[3 * x + 1]} << 8) |
               row[3 * x + 2];
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::free(row);
  return true;
}

bool ReadFile(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// ---- Names -----------------------------------------------------------------

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// The entry of dir spelt like name but for the case of ASCII letters.
bool FindNoCase(const fs::path& dir, const std::string& name, fs::path& out) {
  std::error_code ec;
  fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec);
  if (ec) return false;
  const std::string want = UpperAscii(name);
  for (const fs::directory_entry& e : it) {
    if (UpperAscii(e.path().filename().string()) == want) {
      out = dir / e.path().filename();
      return true;
    }
  }
  return false;
}

// The path with each missing component looked up without regard to case.
bool ResolveNoCase(const fs::path& path, fs::path& out) {
  fs::path cur = path.root_path();
  for (const fs::path& part : path.relative_path()) {
    const std::string s = part.string();
    if (s.empty() || s == "." || s == "..") {
      cur /= part;
      continue;
    }
    std::error_code ec;
    if (fs::exists(cur / part, ec)) {
      cur /= part;
    } else if (fs::path found; FindNoCase(cur, s, found)) {
      cur = found;
    } else {
      return false;
    }
  }
  out = cur;
  return IsFile(cur);
}

}  // namespace

fs::path ResolvePictureName(std::string_view sjisName, const fs::path& folder) {
  std::string name = SjisToUtf8(sjisName);
  for (char& ch : name)
    if (ch == '\\') ch = '/';
  while (!name.empty() && (name.back() == ' ' || name.back() == '\r' || name.back() == '\n')) name.pop_back();
  if (name.empty()) return {};
  if (name.size() >= 2 && name[1] == ':' &&
      ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
    name.erase(0, 2);
  fs::path p(name);
  if (p.is_relative()) p = folder / p;
  if (IsFile(p)) return p;
  if (fs::path found; ResolveNoCase(p, found)) return found;
  const fs::path base = fs::path(name).filename();
  if (base.empty()) return {};
  if (IsFile(folder / base)) return folder / base;
  if (fs::path found; FindNoCase(folder, base.string(), found) && IsFile(found)) return found;
  return {};
}

bool DecodeJpeg(std::string_view bytes, TRasterImage& image) {
  image = TRasterImage{};
  if (bytes.empty()) return false;
  if (!DecodeRows(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()),
                  &image)) {
    image = TRasterImage{};
    return false;
  }
  return true;
}

bool LoadPictureFile(const std::string& sjisName, TRasterImage& image) {
  image = TRasterImage{};
  const std::string drawing = CurPVC().fileName;
  const fs::path folder = drawing.empty() ? fs::path(".") : fs::path(drawing).parent_path();
  const fs::path path = ResolvePictureName(sjisName, folder);
  if (path.empty()) return false;
  const std::string ext = UpperAscii(path.extension().string());
  std::string bytes;
  bool ok = false;
  if (ext == ".BMP") {
    ok = ReadFile(path, bytes) && DecodeBmp(bytes, image);
  } else if (ext == ".JPG" || ext == ".JPEG") {
    ok = ReadFile(path, bytes) && DecodeJpeg(bytes, image);
  }
  if (!ok) image = TRasterImage{};
  return ok && (image.width > 0 || image.height > 0);
}
