// The compressed drawings' -lh5- stream against other LHA implementations:
// our stream, wrapped as an LZH member, extracts byte for byte with Debian's
// lhasa; and -lh5- members that jlha compressed decode with ours to what
// their headers and lhasa say. jlha is a Java program, so its archives were
// made once by scripts/make-lha-fixtures.sh and live in data/lha/. lhasa
// comes from scripts/install-deps.sh; a machine without it skips what needs it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "LhaFixture.h"
#include "VelmoTest.h"
#include "files/Z_Compress.h"

namespace {

namespace fs = std::filesystem;
using lhatest::Bytes;

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Standard output of a shell command; *status gets its exit status.
Bytes Capture(const std::string& command, int* status) {
  Bytes out;
  std::FILE* p = ::popen(command.c_str(), "r");
  if (!p) {
    *status = -1;
    return out;
  }
  unsigned char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + n);
  *status = ::pclose(p);
  return out;
}

void Write(const fs::path& p, const Bytes& b) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes Read(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

std::uint32_t Le(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
  return v;
}

struct Member {
  std::string method;
  Bytes packed;
  std::uint32_t originalSize = 0;
  std::uint16_t crc = 0;  // of the original contents
  int level = 0;
};

// The members of an archive with header levels 0, 1 or 2.
std::vector<Member> ParseLzh(const Bytes& a) {
  std::vector<Member> members;
  std::size_t pos = 0;
  while (pos < a.size() && a[pos] != 0) {
    Member m;
    m.method.assign(a.begin() + static_cast<long>(pos + 2), a.begin() + static_cast<long>(pos + 7));
    std::uint32_t size = Le(a, pos + 7, 4);
    m.originalSize = Le(a, pos + 11, 4);
    m.level = a.at(pos + 20);
    std::size_t data = 0;
    if (m.level == 2) {
      m.crc = static_cast<std::uint16_t>(Le(a, pos + 21, 2));
      data = pos + Le(a, pos, 2);
    } else {
      m.crc = static_cast<std::uint16_t>(Le(a, pos + 22 + a.at(pos + 21), 2));
      data = pos + 2 + a[pos];
      if (m.level == 1) {  // extended headers follow, counted in the size
        std::uint32_t next = Le(a, data - 2, 2);
        while (next != 0) {
          data += next;
          size -= next;
          next = Le(a, data - 2, 2);
        }
      }
    }
    m.packed.assign(a.begin() + static_cast<long>(data), a.begin() + static_cast<long>(data + size));
    members.push_back(std::move(m));
    pos = data + size;
  }
  return members;
}

// Contents that exercise literals, short and long matches and many blocks.
std::vector<std::pair<std::string, Bytes>> Samples() {
  std::mt19937 rng(7);
  std::vector<std::pair<std::string, Bytes>> s;
  s.push_back({"empty", {}});
  s.push_back({"one byte", {'Q'}});
  s.push_back({"100000 equal bytes", Bytes(100000, 'x')});
  Bytes random(300000);
  for (auto& c : random) c = static_cast<unsigned char>(rng());
  s.push_back({"random bytes", random});
  std::string drawing;
  while (drawing.size() < 2000000)
    drawing += "LINE,0," + std::to_string(rng() % 16) + ",17," + std::to_string(rng() % 100000) + ".0000," +
               std::to_string(rng() % 1000) + ".5000," + std::to_string(rng() % 3000) + ".2500,0.0000,0\r\n";
  s.push_back({"drawing text", lhatest::ToBytes(drawing)});
  Bytes skewed(500000);  // few symbols, long runs
  for (auto& c : skewed) c = static_cast<unsigned char>("aaaaaaabbbc\r\n"[rng() % 13]);
  s.push_back({"skewed letters", skewed});
  return s;
}

class LhaInteropTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    dir_ = fs::temp_directory_path() / ("velmo-lha-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    VelmoTest::TearDown();
  }
  fs::path dir_;
};

TEST_F(LhaInteropTest, OurStreamExtractsByteExactWithLhasa) {
  if (!HaveTool("lhasa")) GTEST_SKIP() << "lhasa is not installed (scripts/install-deps.sh)";
  for (const auto& [what, data] : Samples()) {
    SCOPED_TRACE(what);
    const Bytes archive =
        lhatest::LhaArchive({lhatest::LhaMember("DRAWING.VLD", "-lh5-", Lh5Encode(data), data)});
    const fs::path file = dir_ / "ours.lzh";
    Write(file, archive);
    int status = 0;
    const Bytes printed = Capture("lhasa pq '" + file.string() + "'", &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(printed == data) << "lhasa printed " << printed.size() << " bytes of " << data.size();
    // lhasa's own test checks the member's CRC.
    Capture("lhasa tq '" + file.string() + "'", &status);
    EXPECT_EQ(status, 0);
  }
}

// Each archive holds one -lh5- member; together they cover the three header
// levels, literals of every byte value, near and far matches, the longest
// match and many blocks.
TEST_F(LhaInteropTest, JlhaLh5MembersDecodeWithOurs) {
  const struct {
    const char* file;
    int level;
  } cases[] = {
      {"level0-text.lzh", 0},    {"level0-mixed.lzh", 0},  {"level1-drawing.lzh", 1},
      {"level2-equal.lzh", 2},   {"level2-skewed.lzh", 2},
  };
  const bool lhasa = HaveTool("lhasa");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path path = fs::path(VELMO_TESTS_DIR) / "files" / "data" / "lha" / c.file;
    const std::vector<Member> members = ParseLzh(Read(path));
    ASSERT_EQ(members.size(), 1u);
    const Member& m = members[0];
    EXPECT_EQ(m.level, c.level);
    ASSERT_EQ(m.method, "-lh5-");
    Bytes out;
    std::string reason;
    ASSERT_TRUE(Lh5Decode(m.packed, out, &reason)) << reason;
    EXPECT_EQ(out.size(), m.originalSize);
    EXPECT_EQ(lhatest::Crc16(out), m.crc);
    if (lhasa) {
      int status = 0;
      const Bytes extracted = Capture("lhasa pq '" + path.string() + "'", &status);
      EXPECT_EQ(status, 0);
      EXPECT_TRUE(out == extracted) << "ours " << out.size() << " bytes, lhasa " << extracted.size();
    }
  }
  if (!lhasa) GTEST_SKIP() << "lhasa is not installed (scripts/install-deps.sh): checked against the headers only";
}

}  // namespace
