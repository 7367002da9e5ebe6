#include "kernel/ProgramDir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

ProgramDirState g_programDir;

void ProgramDir_Reset() { g_programDir = ProgramDirState{}; }

bool ProgramDir_Init() {
  std::string dir;
  if (const char* v = std::getenv("VELMO_HOME"); v && *v) {
    dir = v;
  } else if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) {
    dir = std::string(x) + "/velmo";
  } else if (const char* h = std::getenv("HOME"); h && *h) {
    dir = std::string(h) + "/.local/share/velmo";
  } else {
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir, ec)) return false;
  if (dir.back() != '/') dir += '/';
  g_programDir.folder = dir;
  return true;
}

bool IsTempFileName(const std::string& name) {
  const std::string& p = g_programDir.tempPrefix;
  return !p.empty() && name.size() >= p.size() && name.compare(0, p.size(), p) == 0;
}
