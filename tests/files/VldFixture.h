// Shared by the native file tests: a private program folder with a
// temporary prefix, and small helpers for drawing texts.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "VelmoTest.h"
#include "kernel/ProgramDir.h"
#include "kernel/SjisConv.h"

namespace vldtest {

namespace fs = std::filesystem;

// "\n" as "\r\n", so expected texts read naturally.
inline std::string Crlf(std::string_view lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

inline std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void WriteFile(const fs::path& p, std::string_view bytes) {
  std::ofstream f(p, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::string> SplitCrlf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class VldTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    dir_ = fs::temp_directory_path() /
           ("velmo-vld-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    UseProgramFolder();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    VelmoTest::TearDown();
  }
  // After a VelmoReset the program folder is empty again.
  void UseProgramFolder() {
    g_programDir.folder = dir_.string() + "/";
    g_programDir.tempPrefix = Utf8ToSjis(g_programDir.folder) + "#TMP0000ABCD#";
  }
  fs::path Path(const std::string& name) const { return dir_ / name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const auto& e : fs::directory_iterator(dir_)) n.push_back(e.path().filename().string());
    std::sort(n.begin(), n.end());
    return n;
  }
  fs::path dir_;
};

}  // namespace vldtest
