#include "kernel/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "../../fuzz/IniCheck.h"

namespace {

namespace fs = std::filesystem;

// Comments, unknown sections and keys, odd spacing and letter case, mixed
// line ends and a last line without one.
const std::string kOdd =
    "; written by hand\r\n"
    "stray=before any section\r\n"
    "\r\n"
    "[view]\r\n"
    "  bcwhite = true  \r\n"
    "# another comment\n"
    "Colour=blue\r\n"
    "\r\n"
    "[ETC1]\r\n"
    "WheelZm=0\r\n"
    "RScrSpd=007\r\n"
    "WheelZm=1\r\n"
    "Garbage line without equals\r\n"
    "[Unknown]\r\n"
    "Key=Value with = inside\r\n"
    "[BOXC]\r\n"
    "Edit1BW=12.5";

TEST(IniFile, TextRoundTripsByteForByte) {
  EXPECT_EQ(IniText(IniParse(kOdd)), kOdd);
  EXPECT_EQ(IniText(IniParse("")), "");
  EXPECT_EQ(IniText(IniParse("\n\r\r\n")), "\n\r\r\n");
  // Binary bytes around a section: kept; the section's key still reads and
  // a new key goes to the section's end (here the file's, with its first
  // line end), nothing else moves.
  const std::string junk("\0\xFF[\x01=\x80\r\0\n", 9);
  const std::string binary = junk + "[ETC1]\nWheelZm=0\n" + junk;
  TIniFile ini = IniParse(binary);
  EXPECT_EQ(IniText(ini), binary);
  EXPECT_FALSE(IniReadBool(ini, "ETC1", "WheelZm", true));
  IniWriteBool(ini, "ETC1", "MojiBtn", true);
  EXPECT_EQ(IniText(ini), binary + "MojiBtn=1\r");
}

TEST(IniFile, WritingWhatIsThereChangesNothing) {
  TIniFile ini = IniParse(kOdd);
  IniWriteBool(ini, "View", "BcWhite", true);      // "true" stays "true"
  IniWriteBool(ini, "ETC1", "WheelZm", false);     // the first of two keys counts
  IniWriteInteger(ini, "ETC1", "RScrSpd", 7);      // "007" stays
  IniWriteString(ini, "BOXC", "Edit1BW", "12.5");
  IniWriteString(ini, "Unknown", "KEY", "Value with = inside");
  EXPECT_EQ(IniText(ini), kOdd);
}

TEST(IniFile, Reads) {
  const TIniFile ini = IniParse(kOdd);
  struct Case {
    const char* section;
    const char* key;
    const char* value;  // nullptr: missing
  } cases[] = {
      {"VIEW", "BcWhite", "true"},       {"view", "colour", "blue"},
      {"ETC1", "WheelZm", "0"},          {"Unknown", "Key", "Value with = inside"},
      {"BOXC", "Edit1BW", "12.5"},       {"", "stray", nullptr},
      {"ETC1", "Garbage line without equals", nullptr},
      {"View", "WheelZm", nullptr},      {"Nowhere", "Key", nullptr},
  };
  for (const Case& c : cases) {
    std::string v;
    const bool found = IniFind(ini, c.section, c.key, &v);
    EXPECT_EQ(found, c.value != nullptr) << c.section << "/" << c.key;
    if (c.value && found) { EXPECT_EQ(v, c.value) << c.section << "/" << c.key; }
  }
  EXPECT_TRUE(IniReadBool(ini, "View", "BcWhite", false));
  EXPECT_FALSE(IniReadBool(ini, "ETC1", "WheelZm", true));
  EXPECT_EQ(IniReadInteger(ini, "ETC1", "RScrSpd", 0), 7);
  EXPECT_EQ(IniReadInteger(ini, "View", "Colour", -3), -3);     // not a number
  EXPECT_TRUE(IniReadBool(ini, "View", "Colour", true));        // not a boolean
  EXPECT_EQ(IniReadString(ini, "View", "Missing", "5"), "5");
  const TIniFile numbers = IniParse("[N]\na= -12 \nb=+4\nc=1e3\nd=99999999999\ne=\n");
  EXPECT_EQ(IniReadInteger(numbers, "N", "a", 0), -12);
  EXPECT_EQ(IniReadInteger(numbers, "N", "b", 0), 4);
  EXPECT_EQ(IniReadInteger(numbers, "N", "c", 0), 0);
  EXPECT_EQ(IniReadInteger(numbers, "N", "d", 0), 0);
  EXPECT_EQ(IniReadString(numbers, "N", "e", "x"), "");
}

TEST(IniFile, ChangedKeysKeepTheirSpellingAndNewOnesGoToTheirSection) {
  TIniFile ini = IniParse(kOdd);
  IniWriteBool(ini, "VIEW", "BcWhite", false);
  IniWriteString(ini, "view", "Added", "x\r\ny");   // a line break would split the key
  IniWriteString(ini, "ETC1", "MojiBtn", "1");
  IniWriteString(ini, "BOXC", "Edit1BH", "3");      // after a last line without an end
  IniWriteInteger(ini, "RDXF", "MjSize1", 2);       // a new section
  EXPECT_EQ(IniText(ini),
            "; written by hand\r\n"
            "stray=before any section\r\n"
            "\r\n"
            "[view]\r\n"
            "  bcwhite = 0  \r\n"
            "# another comment\n"
            "Colour=blue\r\n"
            "Added=x  y\r\n"
            "\r\n"
            "[ETC1]\r\n"
            "WheelZm=0\r\n"
            "RScrSpd=007\r\n"
            "WheelZm=1\r\n"
            "Garbage line without equals\r\n"
            "MojiBtn=1\r\n"
            "[Unknown]\r\n"
            "Key=Value with = inside\r\n"
            "[BOXC]\r\n"
            "Edit1BW=12.5\r\n"
            "Edit1BH=3\r\n"
            "[RDXF]\r\n"
            "MjSize1=2\r\n");
  TIniFile empty;
  IniWriteBool(empty, "View", "BcWhite", true);
  EXPECT_EQ(IniText(empty), "[View]\r\nBcWhite=1\r\n");
}

TEST(IniFile, ANewLineEndedByCrBeforeAnEmptyLineEndedByLfKeepsThatLine) {
  // The file's first line end is a lone CR: a new line that took it, put
  // before the empty LF line, would read back as one line ending in CR LF.
  TIniFile ini = IniParse("[S]\rk=1\n\n[T]\r");
  IniWriteInteger(ini, "S", "New", 2);
  EXPECT_EQ(IniText(ini), "[S]\rk=1\nNew=2\r\n\n[T]\r");
  EXPECT_EQ(IniParse(IniText(ini)).lines.size(), ini.lines.size());
  // Elsewhere new lines keep taking the file's first line end.
  IniWriteInteger(ini, "T", "New", 3);
  EXPECT_EQ(IniText(ini), "[S]\rk=1\nNew=2\r\n\n[T]\rNew=3\r");
}

// Files the fuzz target found faults with: each must now pass its checks.
TEST(IniFile, ReplaysFuzzFindings) {
  const fs::path dir = fs::path(VELMO_TESTS_DIR) / "kernel" / "data" / "ini-crashes";
  int files = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const char* failed = inicheck::IniCheckInput(bytes);
    EXPECT_EQ(failed, nullptr) << e.path().filename() << ": " << failed;
    ++files;
  }
  EXPECT_GT(files, 0);
}

TEST(IniFile, OddTextsReadAsTheirLinesSay) {
  std::string junk;
  for (int i = 0; i < 512; ++i) junk += static_cast<char>(i * 7 % 256);
  std::string million = "[ETC1]\n";
  for (int i = 0; i < 1000000; ++i) million += "Key=1\n";
  million += "WheelZm=0";
  struct Case {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> value;  // nullopt: missing
  };
  const std::vector<Case> cases = {
      {"binary junk", junk, "View", "BcWhite", std::nullopt},
      {"no line ends: one header line", "[View] BcWhite=1 [ETC1] WheelZm=0", "View", "BcWhite", std::nullopt},
      {"NULs stay in the value", std::string("[View]\r\nBcWhite=1\0\0\r\n", 21), "View", "BcWhite",
       std::string("1\0\0", 3)},
      {"NUL in a section name", std::string("[Vi\0ew]\nBcWhite=1\n", 18), "View", "BcWhite", std::nullopt},
      {"CR-only line ends", "[View]\rBcWhite=1\r[ETC1]\rWheelZm=0\r", "ETC1", "WheelZm", "0"},
      {"a huge line", "[View]\n; " + std::string(2000000, 'x') + "\nBcWhite=1\n", "View", "BcWhite", "1"},
      {"a huge value", "[View]\nBcWhite=" + std::string(2000000, '1'), "View", "BcWhite", std::nullopt},
      {"lone CP932 lead bytes", "[Input]\r\nSumiNik=\x82\r\nX=\x81", "Input", "SumiNik", "\x82"},
      {"10^6 keys, the wanted one last", million, "ETC1", "WheelZm", "0"},
      {"duplicate sections: the first counts", "[ETC1]\nA=1\n[etc1]\nWheelZm=1\n", "ETC1", "WheelZm", std::nullopt},
      {"duplicate keys: the first counts", "[ETC1]\nWheelZm=0\nWHEELZM=1\n", "ETC1", "WheelZm", "0"},
      {"truncated in a key", "[ETC1]\nWheel", "ETC1", "Wheel", std::nullopt},
      {"truncated in a header", "[ETC1]\nWheelZm=0\n[View", "ETC1", "WheelZm", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TIniFile ini = IniParse(c.text);
    EXPECT_EQ(IniText(ini), c.text);
    std::string v;
    const bool found = IniFind(ini, c.section, c.key, &v);
    if (c.value) {
      EXPECT_TRUE(found);
      EXPECT_EQ(v, *c.value);
    } else if (found) {
      // Only the huge value: there, but out of range as a number.
      EXPECT_EQ(v.size(), 2000000u);
      EXPECT_EQ(IniReadInteger(ini, c.section, c.key, -1), -1);
      EXPECT_TRUE(IniReadBool(ini, c.section, c.key, true));
    }
    // A write changes only what it sets: the old text stays byte for byte
    // up to where the new key goes.
    const std::string before = IniText(ini);
    IniWriteString(ini, c.section, c.key, "w");
    EXPECT_EQ(IniReadString(ini, c.section, c.key, ""), "w");
    if (!found) {
      const std::string after = IniText(ini);
      std::size_t same = 0;
      while (same < before.size() && before[same] == after[same]) ++same;
      EXPECT_GE(after.size() - before.size(), 3 + std::string_view(c.key).size());
      EXPECT_EQ(after.substr(after.size() - (before.size() - same)), before.substr(same));
    }
  }
}

class IniFileOnDisk : public ::testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("velmo-ini-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(IniFileOnDisk, LoadAndSave) {
  TIniFile ini;
  EXPECT_EQ(IniLoadFile(dir_ / "none.ini", ini), IniLoadResult::Missing);
  EXPECT_EQ(IniLoadFile(dir_, ini), IniLoadResult::Unreadable);  // a folder
  {
    std::ofstream big(dir_ / "big.ini", std::ios::binary);
    big << std::string(kIniMaxFile + 1, ';');
  }
  EXPECT_EQ(IniLoadFile(dir_ / "big.ini", ini), IniLoadResult::Unreadable);

  const fs::path p = dir_ / "a.ini";
  ASSERT_TRUE(IniSaveFile(p, IniParse(kOdd)));
  ASSERT_EQ(IniLoadFile(p, ini), IniLoadResult::Ok);
  EXPECT_EQ(IniText(ini), kOdd);
  // Saving again keeps the file's permissions, and a link to it stays a link.
  fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(p.filename(), dir_ / "link.ini");
  ASSERT_TRUE(IniSaveFile(dir_ / "link.ini", IniParse("[View]\r\nBcWhite=1\r\n")));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.ini"));
  EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(IniLoadFile(p, ini), IniLoadResult::Ok);
  EXPECT_TRUE(IniReadBool(ini, "View", "BcWhite", false));
  fs::remove(dir_ / "link.ini");
  // A save that cannot be written leaves nothing behind.
  EXPECT_FALSE(IniSaveFile(dir_ / "missing-folder" / "b.ini", ini));
  EXPECT_FALSE(fs::exists(dir_ / "missing-folder"));
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
  EXPECT_EQ(files, 2u);  // big.ini, a.ini
  // Nor is a text too large to be read again written.
  const std::string before = IniText(ini);
  IniWriteString(ini, "View", "Big", std::string(kIniMaxFile, 'x'));
  EXPECT_FALSE(IniSaveFile(p, ini));
  ASSERT_EQ(IniLoadFile(p, ini), IniLoadResult::Ok);
  EXPECT_EQ(IniText(ini), before);
}

}  // namespace
