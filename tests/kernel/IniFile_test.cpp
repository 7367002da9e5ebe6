#include "kernel/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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
}

}  // namespace
