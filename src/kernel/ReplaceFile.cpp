#include "kernel/ReplaceFile.h"

#include <algorithm>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

TReplacement::TReplacement(const fs::path& target) : target_(target) {
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    const fs::path real = fs::canonical(target, ec);
    if (!ec) target_ = real;
  }
  static std::mt19937 rng{std::random_device{}()};
  for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
    std::string name(".");
    name.append(target_.filename().string()).append(".").append(std::to_string(rng() % 1000000000u));
    name.append(".tmp");
    path_ = target_.parent_path().empty() ? fs::path(name) : target_.parent_path() / name;
    file_ = std::fopen(path_.c_str(), "wbx");  // "x": never an existing file
    if (!file_ && errno != EEXIST) break;
  }
  created_ = file_ != nullptr;
}

TReplacement::~TReplacement() {
  if (file_) std::fclose(file_);
  std::error_code ec;
  if (created_ && !committed_) fs::remove(path_, ec);
}

bool TReplacement::Commit(bool synced) {
  std::FILE* f = file_;
  file_ = nullptr;
  if (!f) return false;
  bool ok = std::fflush(f) == 0 && (!synced || ::fsync(fileno(f)) == 0);
  ok = std::fclose(f) == 0 && ok;
  if (!ok) return false;
  std::error_code ec;
  const fs::file_status old = fs::status(target_, ec);
  if (!ec && fs::exists(old)) fs::permissions(path_, old.permissions(), ec);
  ec.clear();
  fs::rename(path_, target_, ec);
  if (ec) return false;
  committed_ = true;
  return true;
}

bool ReplaceFileContents(const fs::path& target, std::string_view bytes, bool synced) {
  TReplacement out(target);
  if (!out.file()) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out.file()) != bytes.size()) return false;
  return out.Commit(synced);
}

ReadFileResult ReadFileContents(const fs::path& path, std::size_t limit, std::string& text) {
  text.clear();
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return ReadFileResult::Missing;
  if (ec || !fs::is_regular_file(st)) return ReadFileResult::Unreadable;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return ReadFileResult::Unreadable;
  // Room for the size the file has now (and one byte more, to see it grow
  // or exceed the limit), grown while it keeps giving bytes.
  std::error_code sizeError;
  const std::uintmax_t size = fs::file_size(path, sizeError);
  const std::size_t most = limit + 1;
  std::size_t room = sizeError ? std::min<std::size_t>(most, 1 << 16)
                               : static_cast<std::size_t>(std::min<std::uintmax_t>(most, size + 1));
  std::size_t n = 0;
  for (;;) {
    text.resize(room);
    n += std::fread(text.data() + n, 1, room - n, f);
    if (n < room || room == most) break;
    room = most - room > room ? 2 * room : most;
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  text.resize(failed ? 0 : n);
  return failed ? ReadFileResult::Unreadable : ReadFileResult::Ok;
}
