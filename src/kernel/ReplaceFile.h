// Writing a file so that a failure never destroys the previous one: the data
// goes to a new file beside the target, which is flushed to the disk and
// renamed over the target only when everything was written. Also reading a
// small file whole without blocking on a pipe or device.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

class TReplacement {
public:
  // Creates the new file (never reuses an existing one). A symbolic link as
  // target keeps the link and replaces the file it names.
  explicit TReplacement(const std::filesystem::path& target);
  ~TReplacement();  // removes the new file unless committed
  TReplacement(const TReplacement&) = delete;
  TReplacement& operator=(const TReplacement&) = delete;

  // Null when the new file could not be created.
  std::FILE* file() const { return file_; }

  // Flushes to the disk (unless synced is false: a file that can be made
  // again, where the wait is not worth it), closes, gives it the old file's
  // permissions and renames it over the target; false (new file removed)
  // when any step fails.
  bool Commit(bool synced = true);

private:
  std::filesystem::path target_, path_;
  std::FILE* file_ = nullptr;
  bool created_ = false;
  bool committed_ = false;
};

// Replaces the target by the bytes; false when they could not all be written
// (the target is then untouched). synced as for TReplacement::Commit.
bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes, bool synced = true);

enum class ReadFileResult { Ok, Missing, Unreadable };
// Reads a regular file (anything else is Unreadable: a pipe would block) up
// to limit + 1 bytes, so that text.size() > limit tells a file too big.
ReadFileResult ReadFileContents(const std::filesystem::path& path, std::size_t limit, std::string& text);
