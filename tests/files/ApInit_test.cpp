// The main window's life: start-up (configuration, start-up windows,
// recovered snapshots, the command-line file), the timed backup, dropped
// files and the close with its save questions.
#include "app/ApInit.h"

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "Harness.h"
#include "VldFixture.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "files/FileProc.h"
#include "files/fSave_VLD.h"
#include "kernel/IniFile.h"
#include "kernel/RunLock.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"

namespace {

using namespace vldtest;

// The events the line operation received (a stand-in operation).
std::vector<int> g_events;
void RecordingOp(TGContext&, int code, double, double) { g_events.push_back(code); }

class ApInitTest : public VldTest {
protected:
  void SetUp() override {
    VldTest::SetUp();
    g_events.clear();
  }
  void TearDown() override {
    for (int h : locks_) RunLockRelease(h);
    VldTest::TearDown();
  }
  // A run as the program starts one, with the real prefix and lock.
  void Start(const std::string& commandLine = "") {
    g_programDir.tempPrefix.clear();
    FormCreate();
    FormShow(commandLine);
  }
  // A program that ended: everything in memory goes, the folder stays.
  void Restart(const std::string& commandLine = "") {
    VelmoReset();
    g_programDir.folder = dir_.string() + "/";
    ui_ = std::make_unique<Harness>(800, 600);
    Start(commandLine);
  }
  void Draw(int n, double y = 0) {
    GcellCommit();
    for (int i = 0; i < n; ++i) GcellAddLine(0x12, 0x11, i, y, i + 10, y + 5);
  }
  int Lines(int window) const {
    int n = 0;
    for (int i = 1; i <= StoreUsed(); ++i)
      if (GcellRef(i).window == window && GcellRef(i).kind == GK_LINE) ++n;  // live: kind > 0
    return n;
  }
  int Modified(int window) const { return window == StoreWindow() ? CurPVC().modified : g_pvc.slots[window].modified; }
  void Switch(int w) {
    ASSERT_TRUE(SwapWorkingSettings(StoreWindow(), w));
    SetStoreWindow(w);
  }
  // Holds a run's lock as that running copy would.
  void HoldLock(const std::string& prefix) {
    const int h = RunLockTake(Path(prefix + "LOCK").string());
    ASSERT_GE(h, 0);
    locks_.push_back(h);
  }
  std::string OwnPrefix() const { return fs::path(SjisToUtf8(g_programDir.tempPrefix)).filename().string(); }
  std::vector<std::string> OwnFiles() const {
    std::vector<std::string> v;
    for (const std::string& n : Names())
      if (n.rfind(OwnPrefix(), 0) == 0) v.push_back(n);
    return v;
  }
  void Tick(int n) {
    for (int i = 0; i < n; ++i) platform().FireTimers();
  }

  std::unique_ptr<Harness> ui_ = std::make_unique<Harness>(800, 600);
  std::vector<int> locks_;
};

// ---- Configuration ---------------------------------------------------------------

TEST_F(ApInitTest, FirstStartWritesTheDefaultConfiguration) {
  Start();
  TIniFile ini;
  ASSERT_EQ(IniLoadFile(Path("VELMO.INI"), ini), IniLoadResult::Ok);
  EXPECT_EQ(IniText(ini),
            Crlf("[View]\nBcWhite=0\n[Input]\nSumiNik=5\n[RDXF]\nMjSize1=0\n"
                 "[ETC1]\nWheelZm=1\nRScrSpd=1\nMojiBtn=0\nNoSvChk=0\n"
                 "[BOXC]\nEdit1BW=\nEdit1BH=\nEdit2BW=\nEdit2BH=\n"));
  const TAppOptions& o = AppOptions();
  EXPECT_TRUE(g_mouseNav.WheelZm && g_mouseNav.RScrSpd);
  EXPECT_FALSE(o.BcWhite || o.MojiBtn || o.NoSvChk);
  EXPECT_FALSE(g_form1.textButtons);
  EXPECT_EQ(o.SumiNik, "5");
  EXPECT_EQ(g_form1.caption, "Velmo 5    【1】");  // the first title after the version
  EXPECT_TRUE(CurrentView().textMarks);  // "^u" and "^d" in texts are drawn as marks
  EXPECT_TRUE(platform().messages().empty());
}

TEST_F(ApInitTest, ConfigurationKeepsUnknownKeysAndCommentsAndItsSpelling) {
  const std::string text =
      "; my settings\r\n[ETC1]\r\nwheelzm = false\r\nMojiBtn=1\r\nNoSvChk=0\r\nPlugin=on\r\n\r\n"
      "[View]\r\nBcWhite=1\r\n[Input]\r\nSumiNik=2.5\r\n[RDXF]\r\nMjSize1=3\r\n"
      "[BOXC]\r\nEdit1BW=10\r\nEdit1BH=20\r\nEdit2BW=\r\nEdit2BH=\r\n"
      "[RScrSpd]\r\nRScrSpd=0\r\n[ETC1]\r\nRScrSpd=0\r\n";  // second [ETC1] never counts
  WriteFile(Path("VELMO.INI"), text + "[ETC1]\r\n");
  Start();
  const TAppOptions& o = AppOptions();
  EXPECT_FALSE(g_mouseNav.WheelZm);
  EXPECT_TRUE(o.MojiBtn);
  EXPECT_TRUE(g_form1.textButtons);
  EXPECT_TRUE(o.BcWhite);
  EXPECT_TRUE(WhiteBackground());
  EXPECT_TRUE(g_mouseNav.RScrSpd);
  EXPECT_EQ(o.SumiNik, "2.5");
  EXPECT_EQ(o.MjSize1, 3);
  EXPECT_EQ(o.Edit1BH, "20");
  // RScrSpd was missing from the first [ETC1]: it is added there, nothing else moves.
  const std::string expected =
      "; my settings\r\n[ETC1]\r\nwheelzm = false\r\nMojiBtn=1\r\nNoSvChk=0\r\nPlugin=on\r\nRScrSpd=1\r\n\r\n"
      "[View]\r\nBcWhite=1\r\n[Input]\r\nSumiNik=2.5\r\n[RDXF]\r\nMjSize1=3\r\n"
      "[BOXC]\r\nEdit1BW=10\r\nEdit1BH=20\r\nEdit2BW=\r\nEdit2BH=\r\n"
      "[RScrSpd]\r\nRScrSpd=0\r\n[ETC1]\r\nRScrSpd=0\r\n[ETC1]\r\n";
  EXPECT_EQ(ReadFile(Path("VELMO.INI")), expected);

  // A changed option rewrites its own value only.
  AppOptions().NoSvChk = true;
  SetWhiteBackground(false);  // the menu item
  g_mouseNav.WheelZm = true;  // the settings dialog
  ASSERT_TRUE(FormCloseQuery());
  FormClose();
  std::string changed = expected;
  changed.replace(changed.find("NoSvChk=0"), 9, "NoSvChk=1");
  changed.replace(changed.find("BcWhite=1"), 9, "BcWhite=0");
  changed.replace(changed.find("wheelzm = false"), 15, "wheelzm = 1");
  EXPECT_EQ(ReadFile(Path("VELMO.INI")), changed);
}

TEST_F(ApInitTest, AConfigurationFileThatCannotBeReadIsNotOverwritten) {
  const std::string huge(kIniMaxFile + 10, ';');
  WriteFile(Path("VELMO.INI"), huge);
  Start();
  EXPECT_TRUE(g_mouseNav.WheelZm);  // defaults
  EXPECT_EQ(AppOptions().SumiNik, "5");
  FormClose();
  EXPECT_EQ(ReadFile(Path("VELMO.INI")).size(), huge.size());
}

TEST_F(ApInitTest, CompactScreenUpTo480PixelsHidesThePointerBox) {
  const struct {
    int height;
    bool compact;
  } cases[] = {{480, true}, {400, true}, {481, false}, {1080, false}, {0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.height);
    VelmoReset();
    UseProgramFolder();
    FormCreate(c.height);
    EXPECT_EQ(g_apInit.compactScreen, c.compact);
    EXPECT_EQ(g_form1.pnMouse.visible, !c.compact);
    FileProc_Reset();
  }
}

TEST_F(ApInitTest, OddConfigurationFilesGiveWhatTheirKeysSayAndLoseNoByte) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>(i * 13 % 256);
  // Keys up to a size near the limit, the one wanted after them: in many,
  // the keys missing would make it too large to be read again.
  auto fill = [](std::string s, std::size_t upTo) {
    while (s.size() + 2 * 1004 < upTo) s += "k=" + std::string(1000, 'v') + "\n";
    return s + std::string(upTo - s.size() - 1, ';') + "\n";
  };
  const std::string many = fill("[ETC1]\n", kIniMaxFile - 100) + "WheelZm=0\n";
  const std::string fewer = fill(
                                "[View]\nBcWhite=0\n[Input]\nSumiNik=5\n[RDXF]\nMjSize1=0\n"
                                "[BOXC]\nEdit1BW=\nEdit1BH=\nEdit2BW=\nEdit2BH=\n[ETC1]\n",
                                kIniMaxFile - 200) +
                            "WheelZm=0\n";
  std::string tooMany = "[ETC1]\nWheelZm=0\n";
  for (int i = 0; i < 1000000; ++i) tooMany += "k=\n";
  struct Case {
    const char* what;
    std::string text;
    bool bcWhite, wheelZm;
    std::string sumiNik;
    bool locked;  // could not be read
    enum { Kept, Appended, Rewritten } saved;  // Appended: the old text starts the new one
  };
  const std::vector<Case> cases = {
      {"binary junk", junk, false, true, "5", false, Case::Appended},
      {"no line ends", "[View]BcWhite=1 [ETC1] WheelZm=0", false, true, "5", false, Case::Appended},
      {"NULs", std::string("[View]\r\nBcWhite=1\0\r\n[Input]\r\nSumiNik=\0 7", 40), false, true,
       std::string("\0 7", 3), false, Case::Rewritten},
      {"CR-only line ends", "[View]\rBcWhite=1\r[ETC1]\rWheelZm=0\r", true, false, "5", false, Case::Rewritten},
      {"a huge line", "[View]\r\n;" + std::string(900000, '\xff') + "\r\nBcWhite=1\r\n", true, true, "5", false,
       Case::Rewritten},
      {"lone CP932 lead bytes", "[Input]\r\nSumiNik=\x82\r\n[View]\r\nBcWhite=\x81", false, true, "\x82", false,
       Case::Rewritten},
      {"keys up to the size limit", many, false, false, "5", false, Case::Kept},
      {"keys up to the size limit, room for the rest", fewer, false, false, "5", false, Case::Appended},
      {"10^6 keys", tooMany, false, true, "5", true, Case::Kept},
      {"duplicates: the first counts", "[ETC1]\nWheelZm=0\nWheelZm=1\n[etc1]\nWheelZm=1\n[View]\nBcWhite=1\n",
       true, false, "5", false, Case::Rewritten},
      {"truncated", "[View]\r\nBcWhite=1\r\n[ETC1]\r\nWheel", true, true, "5", false, Case::Appended},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(Path("VELMO.INI"), c.text);
    Restart();
    EXPECT_EQ(AppOptions().BcWhite, c.bcWhite);
    EXPECT_EQ(g_mouseNav.WheelZm, c.wheelZm);
    EXPECT_EQ(AppOptions().SumiNik, c.sumiNik);
    EXPECT_EQ(g_apInit.configLocked, c.locked);
    FormClose();
    const std::string saved = ReadFile(Path("VELMO.INI"));
    if (c.saved == Case::Kept) {
      EXPECT_TRUE(saved == c.text);
    } else if (c.saved == Case::Appended) {
      EXPECT_EQ(saved.compare(0, c.text.size(), c.text), 0);
    }
    if (c.locked) continue;
    // What was written reads back as what was in effect.
    Restart();
    EXPECT_EQ(AppOptions().BcWhite, c.bcWhite);
    EXPECT_EQ(g_mouseNav.WheelZm, c.wheelZm);
    EXPECT_EQ(AppOptions().SumiNik, c.sumiNik);
    FormClose();
    EXPECT_TRUE(ReadFile(Path("VELMO.INI")) == saved);  // nothing left to change
  }
  // Line ends stay as the file has them.
  WriteFile(Path("VELMO.INI"), "[View]\rBcWhite=1\r");
  Restart();
  FormClose();
  const std::string cr = ReadFile(Path("VELMO.INI"));
  EXPECT_EQ(cr.find('\n'), std::string::npos) << cr;
  EXPECT_EQ(cr.rfind("[View]\rBcWhite=1\r", 0), 0u);
}

// ---- Start-up windows and snapshots -------------------------------------------

TEST_F(ApInitTest, BothWindowsStartFromTheStartupFile) {
  CurPVC().dimDecimals = 2;
  CurPVC().tuboArea = 3.5;
  Draw(2);
  ASSERT_TRUE(SaveStartupFile());
  GC_DB_Reset();
  PVC_Reset();
  Start();
  for (const TPVC* w : {&CurPVC(), &g_pvc.slots[2]}) {
    EXPECT_EQ(w->dimDecimals, 2);
    EXPECT_EQ(w->tuboArea, 3.5);
    EXPECT_EQ(w->modified, 0);
    EXPECT_EQ(w->fileName, "");
  }
  EXPECT_EQ(StoreWindow(), 1);
  EXPECT_EQ(Lines(1) + Lines(2), 0);  // settings only
}

TEST_F(ApInitTest, ASnapshotOfWindow2IsRecoveredIntoWindow2AndStaysModified) {
  Draw(3);
  ASSERT_TRUE(VldSave(Path("#TMP12345678#2.V$D"), false));  // a run that crashed
  WriteFile(Path("#TMP12345678#00000001.JPG"), "its picture");
  GC_DB_Reset();
  PVC_Reset();

  Start();
  EXPECT_EQ(StoreWindow(), 1);
  EXPECT_EQ(Lines(1), 0);
  EXPECT_EQ(Modified(1), 0);
  EXPECT_EQ(Lines(2), 3);
  EXPECT_NE(Modified(2), 0);
  EXPECT_EQ(g_pvc.slots[2].fileName, "");

  // Closing asks once, for window 2, which becomes current.
  platform().ScriptAnswer(MsgAnswer::No);
  ASSERT_TRUE(FormCloseQuery());
  EXPECT_EQ(platform().messages().size(), 1u);
  EXPECT_EQ(StoreWindow(), 2);
  FormClose();
  // The recovered run's files go with this run's.
  for (const std::string& n : Names()) EXPECT_NE(n.rfind("#TMP", 0), 0u) << n;
}

TEST_F(ApInitTest, ALiveRunsSnapshotIsLeftAloneUntilThatRunIsOver) {
  Draw(2);
  ASSERT_TRUE(VldSave(Path("#TMP22222222#1.V$D"), false));
  WriteFile(Path("#TMP22222222#00000001.JPG"), "its picture");
  GC_DB_Reset();
  PVC_Reset();
  HoldLock("#TMP22222222#");

  Start();
  EXPECT_EQ(Lines(1), 0);
  EXPECT_EQ(Modified(1), 0);
  ASSERT_TRUE(FormCloseQuery());  // nothing to ask
  FormClose();
  for (const char* f : {"#TMP22222222#1.V$D", "#TMP22222222#00000001.JPG", "#TMP22222222#LOCK"})
    EXPECT_TRUE(fs::exists(Path(f))) << f;

  // That run dies: the next start takes its work.
  RunLockRelease(locks_.back());
  locks_.pop_back();
  Restart();
  EXPECT_EQ(Lines(1), 2);
  EXPECT_NE(Modified(1), 0);
  // While this run has it, a third copy does not recover it too.
  EXPECT_TRUE(RunLockHeld(Path("#TMP22222222#LOCK").string()));
  platform().ScriptAnswer(MsgAnswer::No);
  ASSERT_TRUE(FormCloseQuery());
  FormClose();
  EXPECT_FALSE(fs::exists(Path("#TMP22222222#1.V$D")));
  EXPECT_FALSE(fs::exists(Path("#TMP22222222#00000001.JPG")));
}

TEST_F(ApInitTest, TheCommandLineFileOpensIntoWindow1ButNotOverRecoveredWork) {
  Draw(4);
  ASSERT_TRUE(VldSave(Path("plan.vld"), true));
  GC_DB_Reset();
  PVC_Reset();
  Start(Path("plan.vld").string());
  EXPECT_EQ(Lines(1), 4);
  EXPECT_EQ(Modified(1), 0);
  EXPECT_EQ(CurPVC().fileName, Path("plan.vld").string());
  EXPECT_EQ(RecentFile(1), Path("plan.vld").string());
  EXPECT_EQ(LastFolder(), dir_.string() + "/");
  EXPECT_NE(ReadFile(Path("Operation.hst")).find(Path("plan.vld").string()), std::string::npos);
  FormClose();

  // Window 1 holds recovered work: the file waits for the save question.
  GC_DB_Reset();
  PVC_Reset();
  Draw(1);
  ASSERT_TRUE(VldSave(Path("#TMP33333333#1.V$D"), false));
  platform().ScriptAnswer(MsgAnswer::Cancel);
  Restart(Path("plan.vld").string());
  EXPECT_EQ(Lines(1), 1);
  EXPECT_NE(Modified(1), 0);
  EXPECT_EQ(CurPVC().fileName, "");
}

// A file named on the command line that is missing, or a folder, is said so
// in the window; the window starts untitled.
TEST_F(ApInitTest, AMissingCommandLineFileOrAFolderIsSaidSoInTheWindow) {
  fs::create_directories(Path("plans"));
  struct Case {
    std::string arg, said;
    MsgButtons buttons;
  } cases[] = {{Path("gone.vld").string(), "gone.vld]が見つかりません。", MsgButtons::Yes},
               {Path("plans").string(), "plans]はフォルダです。", MsgButtons::Ok}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    Restart(c.arg);
    ASSERT_EQ(platform().messages().size(), 1u);
    EXPECT_NE(platform().messages()[0].text.find(c.said), std::string::npos)
        << SjisToUtf8(platform().messages()[0].text);
    EXPECT_EQ(platform().messages()[0].buttons, c.buttons);
    EXPECT_EQ(CurPVC().fileName, "");
    EXPECT_EQ(Lines(1), 0);
    FormClose();
    platform().Reset();
  }
}

// ---- The backup timer ------------------------------------------------------------

TEST_F(ApInitTest, BackupWritesChangedWindowsEvery180TicksAndLeavesTheOperationAlone) {
  Start();
  SetOpHandler(OpBtn_Line, RecordingOp);
  ui_->Choose(OpBtn_Line);
  ui_->LeftClick(100, 100);  // the operation is half-way
  Draw(3);
  const int used = StoreUsed();
  const std::vector<int> seen = g_events;
  const TPVC before = CurPVC();
  const fs::path snapshot = SnapshotFileName(1);

  Tick(kBackupTicks - 1);
  EXPECT_FALSE(fs::exists(snapshot));
  Tick(1);
  ASSERT_TRUE(fs::exists(snapshot));
  EXPECT_FALSE(fs::exists(SnapshotFileName(2)));  // window 2 is unchanged
  EXPECT_EQ(Modified(1), 1);
  // Nothing the operation could notice.
  EXPECT_EQ(g_events, seen);
  EXPECT_EQ(CurOpButton(), OpBtn_Line);
  EXPECT_EQ(StoreWindow(), 1);
  EXPECT_EQ(StoreUsed(), used);
  EXPECT_EQ(CurPVC().writeLayer, before.writeLayer);
  EXPECT_EQ(CurPVC().view.wx1, before.view.wx1);
  // The undo step is still open: undoing it would remove the three lines.
  int undoable = 0;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellRef(i).undo) ++undoable;
  EXPECT_EQ(undoable, 3);

  // It reloads as the same drawing.
  ASSERT_TRUE(VldSave(Path("now.vld"), false));
  Switch(2);
  ASSERT_TRUE(OpenDrawingFile(snapshot));
  ASSERT_TRUE(VldSave(Path("reloaded.vld"), false));
  EXPECT_EQ(ReadFile(Path("reloaded.vld")), ReadFile(Path("now.vld")));
  GcellClearWindow(2);
  CurPVC().modified = 0;
  Switch(1);

  // Unchanged since: nothing is written.
  fs::remove(snapshot);
  Tick(kBackupTicks);
  EXPECT_FALSE(fs::exists(snapshot));
  // One change after a save is written too.
  CurPVC().modified = 0;
  Tick(kBackupTicks);
  Draw(1, 50);
  ASSERT_EQ(Modified(1), 1);
  Tick(kBackupTicks);
  EXPECT_TRUE(fs::exists(snapshot));
  // Saved and changed once within one period: that change is written too.
  ASSERT_TRUE(SaveByExtension(Path("saved.vld")));
  Draw(1, 80);
  ASSERT_EQ(Modified(1), 1);
  fs::remove(snapshot);
  Tick(kBackupTicks);
  EXPECT_TRUE(fs::exists(snapshot));
}

TEST_F(ApInitTest, BackupOfTheOtherWindowLeavesTheCurrentOneCurrent) {
  Start();
  Switch(2);
  Draw(2);
  Switch(1);
  Draw(1);
  Draw(1, 20);
  const std::string counts = g_form1.lbDataCount.caption;
  // The status label as the window shows it while each snapshot is written.
  std::vector<std::pair<std::string, std::uint32_t>> shown;
  g_fileProc.backupShown = [&shown] { shown.emplace_back(g_form1.lbDataCount.caption, g_form1.lbDataCount.fontColor); };
  Tick(kBackupTicks);
  const std::pair<std::string, std::uint32_t> busy("..バックアップ保存中！", 0xFF00FF);
  EXPECT_EQ(shown, (std::vector<std::pair<std::string, std::uint32_t>>{busy, busy}));
  EXPECT_EQ(g_form1.lbDataCount.caption, counts);
  EXPECT_EQ(g_form1.lbDataCount.fontColor, 0x000000u);
  EXPECT_EQ(StoreWindow(), 1);
  EXPECT_EQ(Modified(1), 1);
  EXPECT_EQ(Modified(2), 1);
  EXPECT_NE(ReadFile(SnapshotFileName(2)).find("LINE"), std::string::npos);
  EXPECT_EQ(Lines(1), 2);
  EXPECT_EQ(Lines(2), 2);
}

TEST_F(ApInitTest, TheRunsFilesLieInAProgramFolderThatCp932CannotSpell) {
  const fs::path folder = dir_ / fs::path(u8"jos\u00e9");  // CP932 has no letter for it
  fs::create_directories(folder);
  g_programDir.folder = folder.string() + "/";
  Start();
  Draw(2);
  Tick(kBackupTicks);
  EXPECT_TRUE(fs::exists(folder / (OwnPrefix() + "1.V$D")));
  // A compressed drawing goes through the run's scratch file there.
  ASSERT_TRUE(SaveByExtension(Path("a.vlz")));
  GcellClearWindow(1);
  ASSERT_TRUE(OpenDrawingFile(Path("a.vlz")));
  EXPECT_EQ(Lines(1), 2);
  EXPECT_TRUE(platform().messages().empty());
  platform().ScriptAnswer(MsgAnswer::No);
  ASSERT_TRUE(FormCloseQuery());
  FormClose();
  for (const auto& e : fs::directory_iterator(folder)) EXPECT_NE(e.path().filename().string().rfind("#TMP", 0), 0u);
}

// ---- Closing ------------------------------------------------------------------------

TEST_F(ApInitTest, CloseQuestions) {
  struct Case {
    const char* name;
    bool modified1, modified2;
    std::vector<MsgAnswer> answers;
    bool readOnlyTarget;  // window 1 is named after a read-only file
    bool closes;
    std::size_t questions;
  } cases[] = {
      {"nothing modified", false, false, {}, false, true, 0},
      {"only window 2", false, true, {MsgAnswer::No}, false, true, 1},
      {"both, no and no", true, true, {MsgAnswer::No, MsgAnswer::No}, false, true, 2},
      {"cancel", true, true, {MsgAnswer::Cancel}, false, false, 1},
      {"cancel for window 2", true, true, {MsgAnswer::No, MsgAnswer::Cancel}, false, false, 2},
      {"a save that fails", true, false, {MsgAnswer::Yes}, true, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VelmoReset();
    platform().Reset();
    UseProgramFolder();
    Harness ui(800, 600);
    FormShow("");
    if (c.modified2) {
      Switch(2);
      Draw(1);
      Switch(1);
    }
    if (c.modified1) Draw(2);
    if (c.readOnlyTarget) {
      WriteFile(Path("ro.vld"), "old");
      ASSERT_EQ(::chmod(Path("ro.vld").c_str(), 0444), 0);
      CurPVC().fileName = Path("ro.vld").string();
    }
    for (MsgAnswer a : c.answers) platform().ScriptAnswer(a);
    EXPECT_EQ(FormCloseQuery(), c.closes);
    std::size_t questions = 0;
    for (const RecordedMessage& m : platform().messages())
      if (m.buttons == MsgButtons::YesNoCancel) ++questions;
    EXPECT_EQ(questions, c.questions);
    if (c.readOnlyTarget) { EXPECT_EQ(ReadFile(Path("ro.vld")), "old"); }
    if (!c.closes) { EXPECT_FALSE(fs::exists(Path("Operation.hst"))); }
    ::chmod(Path("ro.vld").c_str(), 0644);
  }
}

TEST_F(ApInitTest, CloseDeletesTheRunsTemporaryFilesAndWritesItsOwn) {
  Start();
  const std::string own = OwnPrefix();
  ASSERT_TRUE(fs::exists(Path(own + "LOCK")));
  WriteFile(Path(own + "00000001.JPG"), "picture");
  Draw(2);
  Tick(kBackupTicks);
  ASSERT_TRUE(fs::exists(SnapshotFileName(1)));
  HistoryPush(*HistoryList(3), "12.5");
  WriteFile(Path("#TMP.VLD"), "not a run's");
  ASSERT_FALSE(OwnFiles().empty());

  platform().ScriptAnswer(MsgAnswer::No);
  ASSERT_TRUE(FormCloseQuery());
  FormClose();
  EXPECT_TRUE(OwnFiles().empty());
  EXPECT_TRUE(fs::exists(Path("#TMP.VLD")));
  EXPECT_TRUE(fs::exists(Path("VELMO.INI")));
  EXPECT_NE(ReadFile(Path("Operation.hst")).find("12.5"), std::string::npos);
  EXPECT_EQ(platform().activeTimers(), 0);
  FormClose();  // once only
}

// ---- Dropped files --------------------------------------------------------------------

TEST_F(ApInitTest, DroppedFiles) {
  Draw(2);
  CurPVC().writeLayer = 0x23;  // saved with group 2, layer 3 to write in
  ASSERT_TRUE(VldSave(Path("a.vld"), true));
  GcellClearWindow(1);
  Start();
  Draw(5);

  DropFiles({Path("missing.vld").string()});
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_EQ(platform().messages()[0].text, "無効なファイルです．");
  platform().ScriptAnswer(MsgAnswer::Cancel);
  DropFiles({Path("a.vld").string(), Path("missing.vld").string()});
  EXPECT_EQ(Lines(1), 5);

  platform().ScriptAnswer(MsgAnswer::No);
  DropFiles({Path("a.vld").string(), Path("missing.vld").string()});
  EXPECT_EQ(Lines(1), 2);
  EXPECT_EQ(Modified(1), 0);
  EXPECT_EQ(CurPVC().writeLayer, 0);
  EXPECT_EQ(CurPVC().fileName, Path("a.vld").string());
  EXPECT_EQ(RecentFile(1), Path("a.vld").string());
  EXPECT_EQ(LastFolder(), dir_.string() + "/");
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
}

}  // namespace
