#include "files/FileProc.h"

#include <archive.h>
#include <archive_entry.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "app/ApInit.h"
#include "app/ApKeyEvent.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "files/Z_Compress.h"
#include "files/fImport.h"
#include "files/fLoad_DXF.h"
#include "files/fLoad_JWC.h"
#include "files/fLoad_JWW.h"
#include "files/fLoad_VLD.h"
#include "files/fSave_DXF.h"
#include "files/fSave_JWC.h"
#include "files/fSave_VLD.h"
#include "kernel/Platform.h"
#include "kernel/ProgramDir.h"
#include "kernel/ReplaceFile.h"
#include "kernel/RunLock.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/GC_Tenkai.h"

namespace fs = std::filesystem;

FileProcState g_fileProc;

void FileProc_Reset() {
  if (g_fileProc.backupTimer) Platform().StopTimer(g_fileProc.backupTimer);
  RunLockRelease(g_fileProc.runLock);
  for (const auto& run : g_fileProc.claimedRuns) RunLockRelease(run.second);
  g_fileProc = FileProcState{};
  AddRecentFile("");
}

namespace {

const char kOpenFilter[] =
    "読み込み可能データ全て|*.VLD;*.VLZ;*.JWW;*.JWC;*.DXF;*.DWG;*.TXT;*.CSV;*.JWK|"
    "Velmoﾃﾞｰﾀﾌｧｲﾙ(*.VLD;*.VLZ)|*.VLD;*.VLZ|JW_CADﾃﾞｰﾀﾌｧｲﾙ(*.JWW;*.JWC)|*.JWW;*.JWC|DXFﾌｧｲﾙ(*.DXF)|*.DXF|"
    "テキスト(*.TXT, *.CSV)|*.TXT;*.CSV";
const char kSaveFilter[] =
    "Velmoﾃﾞｰﾀﾌｧｲﾙ(*.VLD)|*.VLD|JW_CADﾃﾞｰﾀﾌｧｲﾙ(*.JWC)|*.JWC|DXFﾌｧｲﾙ(*.DXF)|*.DXF|"
    "圧縮形式のVelmoﾌｧｲﾙ(*.VLZ)|*.VLZ";
const char kCaption[] = "Velmo";
const char kModifiedAsk[] = "更新されています、保存しますか？";
// lbDataCount while a snapshot is written, in magenta.
const char kBackupMessage[] = "..バックアップ保存中！";
constexpr std::uint32_t kBackupMessageColor = 0xFF00FF;
// The guide panel's flash when overwriting is not asked about.
constexpr std::uint32_t kGuideFlashColor = 0x505050;

// A path as the screen shows it.
std::string Shown(const fs::path& p) { return Utf8ToSjis(p.string()); }

MsgAnswer Message(const std::string& text, MsgButtons buttons = MsgButtons::Ok,
                  MsgIcon icon = MsgIcon::Error) {
  return Platform().MessageBox(text, kCaption, buttons, icon);
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// The view fitted to the drawing and redrawn; the fitted view is also the
// previous one.
void FitAndRedraw() {
  if (!CurrentView().canvas) return;
  ViewFitAll();
  CurPVC().view = CurrentView();
  CurPVC().prevView = CurrentView();
  ViewRedraw(1);
}

// This run's prefix without its folder ("#TMP" + eight hexadecimal digits +
// "#"), or "". The file names are built from it and the folder as the file
// system spells it: the prefix's folder is CP932 and loses what CP932 has no
// letter for.
std::string OwnPrefix() {
  const std::string& p = g_programDir.tempPrefix;
  return p.size() >= 13 ? p.substr(p.size() - 13) : std::string();
}

// The current window holds its drawing as saved or read: unmodified, and
// not in its snapshot, so the next change is written by the backup even
// when it is the only one.
void SetUnmodified() {
  CurPVC().modified = 0;
  g_fileProc.snapshotCurrent[static_cast<std::size_t>(StoreWindow())] = false;
}

// The run's scratch text of a ".VLZ" file.
fs::path VlzScratch() {
  if (!g_programDir.tempPrefix.empty()) return ProgramFile(OwnPrefix() + "VLZ.VLD");
  return ProgramFile("#TMP.VLD");
}

// Reads a ".VLZ" file through the run's scratch text; messages name the
// user's file. A damaged stream gives what came before the damage.
bool ReadVlz(const fs::path& name, TVldReadReport& report, bool& damaged) {
  const fs::path scratch = VlzScratch();
  std::string reason;
  if (!DecompressFile(kVlzSignature, scratch, name, &reason, &damaged)) {
    Message("ﾌｧｲﾙ[" + Shown(name) + "]を読み込めません.\r\n" + reason);
    return false;
  }
  bool ok = false;
  if (std::FILE* f = std::fopen(scratch.c_str(), "rb")) {
    TVldLines lines(f);
    ok = VldLoadLines(lines, 0, 0, Shown(name), &report);
    std::fclose(f);
  } else {
    Message("ﾌｧｲﾙ[" + Shown(name) + "]を読み込めません.");
  }
  std::error_code ec;
  fs::remove(scratch, ec);
  return ok;
}

// The warning after a read that lost elements: the file was damaged (cut
// short), or held elements beyond the reader's limits.
void WarnLostElements(const fs::path& name, const TOpenReport& r) {
  std::string text;
  if (r.damaged)
    text = "ﾌｧｲﾙ[" + Shown(name) + "]は壊れています。\r\n" + (r.reason.empty() ? "" : r.reason + "\r\n") +
           "壊れた所より前の要素 " + std::to_string(r.cells) + " 個を読み込みました。";
  if (r.skipped > 0) {
    if (text.empty())
      text = "ﾌｧｲﾙ[" + Shown(name) + "]の要素のうち " + std::to_string(r.skipped) +
             " 個は、座標が範囲外のため読み込みませんでした。";
    else
      text += "\r\n座標が範囲外の要素 " + std::to_string(r.skipped) + " 個は読み込みませんでした。";
  }
  if (r.unsupported > 0) {
    const std::string what = "画像、特殊な円のソリッド、定義のないブロックなど、この形式の要素 " +
                             std::to_string(r.unsupported) + " 個は読み込めませんでした。";
    text += text.empty() ? "ﾌｧｲﾙ[" + Shown(name) + "]の" + what : "\r\n" + what;
  }
  if (!text.empty()) Message(text, MsgButtons::Ok, MsgIcon::Warning);
}

std::string& HstLine(int n) { return g_fileProc.hst[static_cast<std::size_t>(n - 1)]; }

std::string ParentFolder(const fs::path& p) {
  std::string s = p.parent_path().string();
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

bool Starts(std::string_view line, std::string_view what) { return line.substr(0, what.size()) == what; }

// Text of a member name: UTF-8 as it is, else read as CP932.
std::string MemberName(const char* raw) {
  if (!raw) return {};
  const std::string s = raw;
  int bad = 0;
  const std::string back = Utf8ToSjis(s, &bad);
  if (bad == 0 && SjisToUtf8(back) == s) return s;
  return SjisToUtf8(s);
}

}  // namespace

// ---- The program's files --------------------------------------------------

fs::path ProgramFile(std::string_view name) {
  if (!g_programDir.folder.empty()) return fs::path(g_programDir.folder) / fs::path(std::string(name));
  std::error_code ec;
  return fs::temp_directory_path(ec) / fs::path(std::string(name));
}

fs::path StartupFileName() { return ProgramFile("#INIT.V$D"); }

fs::path SnapshotFileName(int window) {
  if (g_programDir.tempPrefix.empty()) return ProgramFile("#TMP" + std::to_string(window) + ".V$D");
  return ProgramFile(OwnPrefix() + std::to_string(window) + ".V$D");
}

void InitTempPrefix() {
  if (!g_programDir.tempPrefix.empty() || g_programDir.folder.empty()) return;
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  auto ticks = static_cast<std::uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
  const std::string folder = Utf8ToSjis(g_programDir.folder);
  for (int tries = 0; tries < 1000; ++tries, ++ticks) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", ticks);
    const std::string prefix = "#TMP" + std::string(hex) + "#";
    bool taken = false;
    std::error_code ec;
    for (fs::directory_iterator it(g_programDir.folder, ec), end; !ec && it != end; it.increment(ec))
      if (Starts(it->path().filename().string(), prefix)) taken = true;
    if (taken) continue;
    // Two copies started in the same millisecond: the lock decides.
    const int lock = RunLockTake(RunLockFileName(prefix).string());
    if (lock < 0) continue;
    g_fileProc.runLock = lock;
    g_programDir.tempPrefix = folder + prefix;
    return;
  }
}

fs::path RunLockFileName(const std::string& prefix) { return ProgramFile(prefix + "LOCK"); }

namespace {

// The run prefix "#TMP" + eight hexadecimal digits + "#" a file name begins
// with, or "".
std::string RunPrefixOf(const std::string& name) {
  if (name.size() < 13 || !Starts(name, "#TMP") || name[12] != '#') return {};
  for (int i = 4; i < 12; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(name[static_cast<std::size_t>(i)]))) return {};
  return name.substr(0, 13);
}

// The lock handle of a finished run this one took over, or -1.
int ClaimedLock(const std::string& prefix) {
  for (const auto& run : g_fileProc.claimedRuns)
    if (run.first == prefix) return run.second;
  return -1;
}

// Takes over the lock of another run's prefix. False while that run lives.
bool ClaimRun(const std::string& prefix) {
  if (ClaimedLock(prefix) >= 0) return true;
  const int lock = RunLockTake(RunLockFileName(prefix).string());
  if (lock < 0) return false;
  g_fileProc.claimedRuns.emplace_back(prefix, lock);
  return true;
}

}  // namespace

void DeleteRunTempFiles() {
  std::error_code ec;
  for (const std::string& f : g_fileProc.recoveredSnapshots) fs::remove(f, ec);
  g_fileProc.recoveredSnapshots.clear();

  const std::string own = OwnPrefix();
  const fs::path folder = g_programDir.folder.empty() ? fs::path() : ProgramFile("").parent_path();
  std::vector<std::pair<std::string, fs::path>> files;  // by run prefix
  if (!folder.empty())
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string prefix = RunPrefixOf(it->path().filename().string());
      if (!prefix.empty() && it->is_regular_file(ec)) files.emplace_back(prefix, it->path());
    }
  std::sort(files.begin(), files.end());
  for (std::size_t i = 0; i < files.size();) {
    const std::string prefix = files[i].first;
    std::size_t j = i;
    while (j < files.size() && files[j].first == prefix) ++j;
    // Another run's files go only when it is over and left no snapshot to recover.
    int taken = -1;
    bool remove = prefix == own;
    if (!remove && (ClaimedLock(prefix) >= 0 || (taken = RunLockTake(RunLockFileName(prefix).string())) >= 0)) {
      remove = true;
      for (std::size_t k = i; k < j; ++k) {
        const std::string name = files[k].second.filename().string();
        if (name == prefix + "1.V$D" || name == prefix + "2.V$D") remove = false;
      }
    }
    if (remove) {
      const fs::path lock = RunLockFileName(prefix);
      for (std::size_t k = i; k < j; ++k)
        if (files[k].second != lock) fs::remove(files[k].second, ec);
      // The lock file last, while still held, so no other copy takes the
      // run for a finished one with files left.
      fs::remove(lock, ec);
    }
    RunLockRelease(taken);
    i = j;
  }
  for (const auto& run : g_fileProc.claimedRuns) RunLockRelease(run.second);
  g_fileProc.claimedRuns.clear();
  RunLockRelease(g_fileProc.runLock);
  g_fileProc.runLock = -1;
}

// ---- Reading and writing by extension ---------------------------------------

std::string UpperExtension(const fs::path& name) { return Upper(name.extension().string()); }

bool IsReadOnlyFile(const fs::path& name) {
  std::error_code ec;
  const fs::file_status st = fs::status(name, ec);
  if (ec) return st.type() != fs::file_type::not_found;
  if (!fs::exists(st)) return false;
  constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if ((st.permissions() & kWrite) == fs::perms::none) return true;
  return ::access(name.c_str(), W_OK) != 0;
}

namespace {

// A foreign reader's report as the native reader's and the open report.
template <class TReport>
void TakeReport(const TReport& r, TVldReadReport& read, TOpenReport& found) {
  read.cells = r.cells;
  read.skipped = r.skipped;
  found.damaged = r.damaged;
  found.reason = r.reason;
}

}  // namespace

bool OpenDrawingFile(const fs::path& name, TOpenReport* report) {
  TOpenReport found;
  TVldReadReport read;
  GcellClearWindow(StoreWindow());
  TPVC& pvc = CurPVC();
  ShowAllGroupsAndLayers(pvc);
  pvc.show.points = pvc.show.lines = pvc.show.texts = pvc.show.fills = pvc.show.pictures =
      pvc.show.auxiliary = true;
  pvc.writePen = 0x11;
  pvc.dimPen = 0x11;
  pvc.rangeRemembered = false;
  pvc.jwcTitles = {};

  bool ok = false;
  std::error_code ec;
  const std::string ext = UpperExtension(name);
  if (name.empty() || name == StartupFileName()) {
    const fs::path startup = StartupFileName();
    if (fs::is_regular_file(startup, ec)) {
      ok = VldLoad(startup, 0, 0);
    } else {
      TPVC d = BuiltInSettings();
      d.fileName = pvc.fileName;
      d.view = pvc.view;
      d.prevView = pvc.prevView;
      d.modified = pvc.modified;
      pvc = d;
    }
  } else if (ext == ".VLZ") {
    ok = ReadVlz(name, read, found.damaged);
  } else if (ext == ".VLD" || ext == ".V$D") {
    ok = VldLoad(name, 0, 0, &read);
  } else if (ext == ".DXF") {
    TDxfReadReport dxf;
    ok = DxfLoad(name, g_fileProc.dxfOptions, &dxf);
    TakeReport(dxf, read, found);
  } else if (ext == ".DWG") {
    ok = DwgLoad(name, &read, found);
  } else if (ext == ".JWW") {
    TJwwReadReport jww;
    ok = JwwLoad(name, 0, 0, &jww);
    TakeReport(jww, read, found);
    found.unsupported = jww.unsupported;
  } else if (ext == ".JWC" || ext == ".JWK") {
    TJwcReadReport jwc;
    ok = JwcLoad(name, 0, 0, &jwc);
    TakeReport(jwc, read, found);
  } else if (ext == ".TXT") {
    ok = ImportText(name);
  } else if (ext == ".CSV") {
    TTableSize size;
    ok = ImportTable(name, size, 0, 0, 0, true);
  } else if (ext == ".ZMP") {
    ok = ImportMap(name);
  } else {
    Message("ﾌｧｲﾙ[" + Shown(name) + "]は読み込める形式ではありません。");
  }

  if (ok) {
    found.damaged = found.damaged || read.cutShort;
    found.cells = read.cells;
    found.skipped = read.skipped;
    WarnLostElements(name, found);
  }
  if (report) *report = found;

  GcellCompact(true);
  GcellReorder();
  NormalizePVC(pvc);
  BuildPenColours();
  GcellCommit();
  g_form1.CbMojiSize = MakeMojiSizeList(pvc);
  Form1Changed();
  return ok;
}

bool DwgLoad(const fs::path& name, TVldReadReport* read, TOpenReport& found) {
  const std::string converter = AppOptions().DwgConv;
  if (converter.empty()) {
    Message("DWGファイルを読むには、DWGをDXFに変換するプログラムが必要です．\r\n"
            "VELMO.INI の [RDXF] DwgConv にそのプログラムを設定するか、DXFに変換してから開いて下さい．");
    return false;
  }
  // The converter works on copies in the program folder: the user's file is
  // never handed to it to write.
  const fs::path dwg = ProgramFile(OwnPrefix() + "DWG.DWG"), dxf = ProgramFile(OwnPrefix() + "DWG.DXF");
  std::error_code ec;
  fs::remove(dxf, ec);
  bool ok = fs::copy_file(name, dwg, fs::copy_options::overwrite_existing, ec);
  TRunRequest run;
  run.program = SjisToUtf8(converter);
  run.args = {dwg.string(), dxf.string()};
  run.workDir = g_programDir.folder.empty() ? std::string() : SjisToUtf8(g_programDir.folder);
  ok = ok && Platform().RunProgram(run) >= 0 && fs::is_regular_file(dxf, ec);
  if (ok) {
    TDxfReadReport dxfRead;
    ok = DxfLoad(dxf, g_fileProc.dxfOptions, &dxfRead);
    TakeReport(dxfRead, *read, found);
  } else {
    Message("ファイル読み込み失敗");
  }
  fs::remove(dwg, ec);
  fs::remove(dxf, ec);
  return ok;
}

bool SaveByExtension(const fs::path& name, DxfEllipses ellipses) {
  if (IsReadOnlyFile(name)) {
    Platform().Beep();
    Message("  " + Shown(name) + " は読み出し専用ファイルです．", MsgButtons::Abort);
    return false;
  }
  const std::string ext = UpperExtension(name);
  bool ok = false;
  if (ext == ".VLZ") {
    const fs::path scratch = VlzScratch();
    if (VldSave(scratch, true)) {
      std::string reason;
      ok = CompressFile(kVlzSignature, name, scratch, &reason) > 0;
      if (!ok) Message("ﾌｧｲﾙ[" + Shown(name) + "]に保存できません.\r\n" + reason);
    }
    std::error_code ec;
    fs::remove(scratch, ec);
  } else if (ext == ".VLD" || ext == ".V$D") {
    ok = VldSave(name, true);
  } else if (ext == ".JWC") {
    ok = JwcSave(name, GcellExtents());
  } else if (ext == ".DXF") {
    ok = DxfSave(name, CurPVC().basicScale, ellipses);
  } else {
    Message("保存できないファイルタイプです。");
  }
  if (ok) SetUnmodified();
  return ok;
}

// ---- Commands ---------------------------------------------------------------

namespace {

bool IsFolder(const std::string& p) {
  std::error_code ec;
  return !p.empty() && fs::is_directory(p, ec);
}

// Where the file dialogs start: the last folder, else the window's file's
// folder, else the home folder.
std::string DialogFolder() {
  if (IsFolder(LastFolder())) return LastFolder();
  const fs::path current(CurPVC().fileName);
  if (!current.empty() && IsFolder(ParentFolder(current))) return ParentFolder(current);
  const char* home = std::getenv("HOME");
  if (home && IsFolder(home)) return ParentFolder(fs::path(home) / "");
  return LastFolder();
}

bool AllLower(std::string_view s) {
  return std::none_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The file that a name means: itself when it exists, else an existing file
// of its folder whose name differs from it only in the extension's letter
// case ("plan.vld" for "plan.VLD"), else the name.
fs::path SameDrawingFile(const fs::path& name) {
  std::error_code ec;
  if (fs::exists(name, ec)) return name;
  const fs::path folder = name.parent_path().empty() ? fs::path(".") : name.parent_path();
  const std::string stem = name.stem().string(), ext = UpperExtension(name);
  std::vector<fs::path> found;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    if (p.stem().string() == stem && UpperExtension(p) == ext && it->is_regular_file(ec)) found.push_back(p);
  }
  if (found.empty()) return name;
  std::sort(found.begin(), found.end());  // the same choice every time
  return name.parent_path() / found.front().filename();
}

}  // namespace


bool ConfirmSaveModified() {
  if (CurPVC().modified == 0) return true;
  const MsgAnswer a = Message(kModifiedAsk, MsgButtons::YesNoCancel, MsgIcon::Question);
  if (a == MsgAnswer::Cancel) return false;
  if (a == MsgAnswer::Yes) {
    SaveCommand(TFileSender::Save1);
    if (CurPVC().modified != 0) return false;
  }
  return true;
}

bool AskDxfOptions(const fs::path& name) {
  TLoadDxfForm form = g_fileProc.dxfForm;
  form.fileName = Shown(name);
  form.sizeMode = std::clamp(AppOptions().MjSize1, 0, 2);
  if (!Platform().LoadDxfDialog(form)) return false;
  TDxfOptions o;
  const double scale = ParseScale(form.scale);
  o.scale = scale > 0 ? scale : 1;
  const double zoom = ParseReal(ToHalfWidth(form.textZoom, false));
  o.textZoom = zoom > 0 && std::isfinite(zoom) ? zoom : 1;
  o.sizeMode = std::clamp(form.sizeMode, 0, 2);
  o.dimMove = form.dimMove;
  // The fields as they will be shown next time: in the scale's notation.
  form.scale = ScaleText(o.scale);
  form.textZoom = " " + Format("%.2f", {o.textZoom}) + " ";
  g_fileProc.dxfForm = form;
  g_fileProc.dxfOptions = o;
  AppOptions().MjSize1 = o.sizeMode;
  return true;
}

bool OpenFileIntoWindow(const fs::path& name) {
  const std::string dxfExt = UpperExtension(name);
  if ((dxfExt == ".DXF" || dxfExt == ".DWG") && !AskDxfOptions(name)) return false;
  Platform().SetScreenCursor(CursorShape::Hourglass);
  GcellCompact(true);
  ShowAllGroupsAndLayers(CurPVC());
  CurPVC().writeLayer = 0;
  TOpenReport report;
  const bool ok = OpenDrawingFile(name, &report);
  TPVC& pvc = CurPVC();
  if (ok && report.damaged) {
    // Part of the file: untitled and modified, so that neither Save nor
    // closing can put it over the damaged original unasked.
    pvc.fileName.clear();
    pvc.modified = 1;
    g_fileProc.snapshotCurrent[static_cast<std::size_t>(StoreWindow())] = false;
    FitAndRedraw();
    ShowTitle();
  } else if (ok) {
    SetUnmodified();
    pvc.fileName = name.string();
    FitAndRedraw();
    ShowTitle();
    AddRecentFile(name.string());
    SaveOperationHst();
  } else {
    // Whatever was read is not that file: a later Save must not overwrite it.
    pvc.fileName.clear();
    FitAndRedraw();
    ShowTitle();
  }
  Platform().SetScreenCursor(CursorShape::Default);
  return ok;
}

bool OpenChosen(const fs::path& name) {
  std::error_code ec;
  if (!fs::is_regular_file(name, ec)) {
    Message("ﾌｧｲﾙ[" + Shown(name) + "]が見つかりません。", MsgButtons::Yes);
    return false;
  }
  const std::string ext = UpperExtension(name);
  if (ext == ".JWK") {
    if (Message("フォルダ内の全ての部品を読み込みますか？", MsgButtons::YesNo, MsgIcon::Question) ==
        MsgAnswer::Yes) {
      LoadPartsFolder(name.parent_path());
      return true;
    }
  }
  return OpenFileIntoWindow(name);
}

void OpenCommand(TFileSender sender) {
  (void)sender;  // the preview dialog is not there yet: both use the standard dialog
  if (!ConfirmSaveModified()) return;
  const std::string folder = DialogFolder();
  SetWorkFolder(folder);
  TFileDialogRequest request;
  request.title = "開く";
  request.filter = kOpenFilter;
  request.initialDir = folder;
  request.fileName = g_fileProc.openDialogFileName;
  request.defaultExt = "VLD";
  if (!Platform().OpenFileDialog(request)) return;
  const fs::path name(request.fileName);
  g_fileProc.openDialogFileName = request.fileName;
  SetLastFolder(ParentFolder(name));
  SaveOperationHst();
  OpenChosen(name);
}

void ReOpenCommand(int n) {
  const std::string name = RecentFile(n);
  if (name.empty()) return;
  if (!ConfirmSaveModified()) return;
  OpenChosen(name);
}

void SaveCommand(TFileSender sender) {
  const std::string name = CurPVC().fileName;
  if (name.empty()) {
    if (sender == TFileSender::Save1) SaveAsCommand();
    return;
  }
  SaveToFile(name);
}

void SaveAsCommand() {
  const std::string folder = DialogFolder();
  SetWorkFolder(folder);
  const fs::path current(CurPVC().fileName);
  const std::string ext = UpperExtension(current);
  TFileDialogRequest request;
  request.title = "名前を付けて保存";
  request.filter = kSaveFilter;
  request.filterIndex = ext == ".JWC" ? 2 : ext == ".DXF" ? 3 : ext == ".VLZ" ? 4 : 1;
  request.initialDir = folder;
  request.fileName = current.empty() ? std::string() : fs::path(current).replace_extension().string();
  request.confirmOverwrite = false;  // SaveToFile asks
  if (!Platform().SaveFileDialog(request) || request.fileName.empty()) return;
  // The chosen type decides the extension. Its letters keep the case the
  // user typed (lower case stays lower case); without one they are upper case.
  static const char* const kForced[] = {".VLD", ".JWC", ".DXF", ".VLZ"};
  const int index = request.filterIndex >= 1 && request.filterIndex <= 4 ? request.filterIndex : 1;
  fs::path name(request.fileName);
  const std::string typed = name.extension().string();
  const bool lower = typed.size() > 1 && AllLower(typed);
  name.replace_extension(lower ? Lower(kForced[index - 1]) : kForced[index - 1]);
  if (Upper(name.filename().string()) == "#INIT.VLD") name.replace_extension(".V$D");
  // Where letter case counts, a drawing saved as "plan.VLD" over "plan.vld"
  // must not leave the old drawing beside the new one: it is the same file,
  // and SaveToFile asks before overwriting it.
  SaveToFile(SameDrawingFile(name));
}

bool SaveToFile(const fs::path& name, bool askOverwrite) {
  const std::string ext = UpperExtension(name);
  if (ext != ".VLD" && ext != ".V$D" && ext != ".VLZ" && ext != ".DXF" && ext != ".JWC") {
    Message("ﾌｧｲﾙ[" + Shown(name) + "]には保存できません．");
    return false;
  }
  std::error_code ec;
  if (fs::exists(name, ec) || ec) {
    if (IsReadOnlyFile(name)) {
      Platform().Beep();
      Message("  " + Shown(name) + " は読み出し専用ファイルです．", MsgButtons::Abort);
      return false;
    }
    if (AppOptions().NoSvChk) {
      // No question: the guide panel flashes grey instead.
      ++g_fileProc.guideFlashes;
      TControl& panel = g_form1.PnlGuid;
      const std::uint32_t color = panel.color;
      panel.color = kGuideFlashColor;
      Form1Changed();
      Platform().ShowNow();  // the flash is seen before the save goes on
      const timespec flash{0, 50'000'000};  // 50 ms (<chrono> does not build with CP932 literals)
      ::nanosleep(&flash, nullptr);
      panel.color = color;
      Form1Changed();
      Platform().ShowNow();
    } else if (askOverwrite && Message("ﾌｧｲﾙ[ " + Shown(name) + " ]に上書き保存します｡", MsgButtons::OkCancel,
                                       MsgIcon::Question) != MsgAnswer::Ok) {
      return false;
    }
  }
  Platform().SetScreenCursor(CursorShape::Hourglass);
  const bool ok = SaveByExtension(name);
  if (ok) {
    CurPVC().fileName = name.string();
    ShowTitle();
    g_fileProc.openDialogFileName = name.string();
    AddRecentFile(name.string());
    SetLastFolder(ParentFolder(name));
    SaveOperationHst();
  }
  Platform().SetScreenCursor(CursorShape::Default);
  return ok;
}

void NewCommand() {
  if (!ConfirmSaveModified()) return;
  GcellCompact(true);
  OpenDrawingFile("");
  CurPVC().fileName.clear();
  SetUnmodified();
  FitAndRedraw();
  ShowTitle();
}

bool SaveStartupFile() {
  const int window = StoreWindow();
  g_gcdb.window = 0;  // no cell belongs to window 0: settings only
  const bool ok = VldSave(StartupFileName(), true);
  g_gcdb.window = window;
  // The drawing's cells were not saved: it stays as modified as it was.
  return ok;
}

void SnapshotWindows() {
  const int current = StoreWindow();
  StoreWorkingSettings(current);
  for (int w = 1; w <= 2; ++w) {
    SetStoreWindow(w);
    LoadWorkingSettings(w);
    VldSave(SnapshotFileName(w), false);
  }
  SetStoreWindow(current);
  LoadWorkingSettings(current);
}

void OpenStartupWindows(bool recover) {
  // The files of other runs, listed once for both windows.
  const std::string own = OwnPrefix();
  std::vector<fs::path> others;
  std::error_code ec;
  if (recover && !g_programDir.folder.empty())
    for (fs::directory_iterator it(ProgramFile("").parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
      const std::string prefix = RunPrefixOf(it->path().filename().string());
      if (!prefix.empty() && prefix != own) others.push_back(it->path());
    }
  std::sort(others.begin(), others.end());
  for (int w = 2; w >= 1; --w) {
    SetStoreWindow(w);
    LoadWorkingSettings(w);
    ShowAllGroupsAndLayers(CurPVC());
    OpenDrawingFile(StartupFileName());
    CurPVC().fileName.clear();
    CurPVC().modified = 0;
    // "#TMP" + eight hexadecimal digits + "#" + the window number + ".V$D",
    // of a run that is over.
    const std::string tail = std::to_string(w) + ".V$D";
    for (const fs::path& snapshot : others) {
      const std::string f = snapshot.filename().string();
      const std::string prefix = RunPrefixOf(f);
      if (f != prefix + tail) continue;
      if (!ClaimRun(prefix)) continue;  // a running copy's
      VldLoad(snapshot, 0, 0);
      GcellCompact(true);
      GcellReorder();
      NormalizePVC(CurPVC());
      BuildPenColours();
      GcellCommit();
      CurPVC().fileName.clear();
      // Recovered work is unsaved work: closing must ask before it goes.
      CurPVC().modified = 1;
      g_fileProc.recoveredSnapshots.push_back(snapshot.string());
      break;
    }
    // The screen shows texts' "^u" and "^d" marks as the printout does.
    CurrentView().textMarks = true;
    if (CurrentView().canvas) {
      ViewFitAll();
      CurPVC().view = CurPVC().prevView = CurrentView();
    }
    StoreWorkingSettings(w);
  }
  SetStoreWindow(1);
  LoadWorkingSettings(1);
  BuildPenColours();
  ShowTitle();
}

// ---- The main window's life ---------------------------------------------------------

namespace {

bool IsExistingFile(const fs::path& p) {
  std::error_code ec;
  return !p.empty() && fs::is_regular_file(p, ec);
}

}  // namespace

void FormCreate(int screenHeight) {
  CheckCompactScreen(screenHeight);
  g_form1.caption = MainCaption();
  Form1Changed();
  g_manager.lastKey = static_cast<char>(255);
  if (g_programDir.folder.empty()) ProgramDir_Init();
  InitTempPrefix();
  std::error_code ec;
  g_fileProc.toolsMode = !g_programDir.folder.empty() && fs::is_regular_file(ProgramFile("velmo.dpr"), ec);
  LoadOperationHst();
  AddRecentFile("");
}

void FormShow(const std::string& commandLineFile, bool scripted) {
  LoadConfigFile();
  if (!scripted) SaveConfigFile();
  if (AppOptions().MojiBtn) SetTextButtons(true);
  OpenStartupWindows(!scripted);
  const fs::path name(commandLineFile);
  std::error_code ec;
  // Said once the window shows its drawings.
  std::string notOpened;
  MsgButtons notOpenedButtons = MsgButtons::Ok;
  if (!name.empty() && fs::is_directory(name, ec)) {
    notOpened = "[" + Shown(name) + "]はフォルダです。開く図面のファイルを指定してください。";
  } else if (!name.empty() && !IsExistingFile(name)) {
    notOpened = "ﾌｧｲﾙ[" + Shown(name) + "]が見つかりません。";
    notOpenedButtons = MsgButtons::Yes;
  } else if (IsExistingFile(name) && !OpenArchive(name)) {
    // Work recovered into window 1 is not replaced unasked.
    if (ConfirmSaveModified() && OpenFileIntoWindow(name)) {
      SetLastFolder(ParentFolder(name));
      SaveOperationHst();
    }
  }
  g_pvc.slots[2].writePen = CurPVC().writePen;
  FitAndRedraw();
  if (!notOpened.empty()) Message(notOpened, notOpenedButtons);
  if (!scripted && !g_fileProc.backupTimer) g_fileProc.backupTimer = Platform().StartTimer(g_fileProc.backupIntervalMs, BackupTick);
}

bool FormCloseQuery() {
  Op_ButtonClick(OpBtn_Dummy);
  for (int round = 0; round < 2; ++round) {
    if (!ConfirmSaveModified()) return false;
    const int other = 3 - StoreWindow();
    if (round == 1 || g_pvc.slots[static_cast<std::size_t>(other)].modified == 0) break;
    SwitchWindow(other);
  }
  return true;
}

void FormClose() {
  if (g_fileProc.closed) return;
  g_fileProc.closed = true;
  if (g_fileProc.backupTimer) Platform().StopTimer(g_fileProc.backupTimer);
  g_fileProc.backupTimer = 0;
  SaveConfigFile();
  SaveOperationHst();
  g_manager.shiftHeld = g_manager.ctrlHeld = g_manager.altHeld = false;
  DeleteRunTempFiles();
}

void BackupTick() {
  if (++g_fileProc.backupTicks < kBackupTicks) return;
  g_fileProc.backupTicks = 0;
  const int current = StoreWindow();
  StoreWorkingSettings(current);
  // The working copy is put back exactly as it was, not reloaded from its
  // slot: loading normalises, which an operation in progress must not see.
  const TPVC working = CurPVC();
  for (int w = 1; w <= 2; ++w) {
    TPVC& slot = g_pvc.slots[static_cast<std::size_t>(w)];
    bool& upToDate = g_fileProc.snapshotCurrent[static_cast<std::size_t>(w)];
    // Counter 1 after a snapshot means "modified, snapshot up to date"; a
    // drawing changed once since it was saved or opened also counts 1.
    if (slot.modified == 0) upToDate = false;
    if (slot.modified == 0 || (slot.modified == 1 && upToDate)) continue;
    CurPVC() = slot;
    SetStoreWindow(w);
    TControl& status = g_form1.lbDataCount;
    const std::string shown = status.caption;
    status.caption = kBackupMessage;
    status.fontColor = kBackupMessageColor;
    Form1Changed();
    if (g_fileProc.backupShown) g_fileProc.backupShown();
    if (VldSave(SnapshotFileName(w), false)) {
      slot.modified = 1;
      upToDate = true;
    }
    status.caption = shown;
    status.fontColor = 0x000000;
    Form1Changed();
  }
  CurPVC() = working;
  CurPVC().modified = g_pvc.slots[static_cast<std::size_t>(current)].modified;
  SetStoreWindow(current);
}

void DropFiles(const std::vector<std::string>& files) {
  if (files.empty()) return;
  const fs::path name(files.front());
  if (!IsExistingFile(name)) {
    Message("無効なファイルです．");
    return;
  }
  if (OpenArchive(name)) return;
  if (!ConfirmSaveModified()) return;
  Op_ButtonClick(OpBtn_Dummy);
  if (OpenFileIntoWindow(name)) {
    // A dropped drawing is drawn on in layer 0, whatever layer it was saved with.
    CurPVC().writeLayer = 0;
    ShowDataCount();
    SetLastFolder(ParentFolder(name));
    SaveOperationHst();
  }
  IdleCheck();
}

// ---- "Operation.hst" and the recent files -----------------------------------

namespace {

// A history's entries as the file keeps them: up to the first empty one.
std::vector<std::string> HistoryEntries(const THistrylist& h) {
  std::vector<std::string> out;
  for (int e = 1; e <= kHistoryDepth && !h.entries[static_cast<std::size_t>(e)].empty(); ++e)
    out.push_back(h.entries[static_cast<std::size_t>(e)]);
  return out;
}

std::vector<std::string> UpToFirstEmpty(const std::vector<std::string>& list) {
  std::vector<std::string> out;
  for (std::size_t e = 0; e < list.size() && e < static_cast<std::size_t>(kHistoryDepth) && !list[e].empty(); ++e)
    out.push_back(list[e]);
  return out;
}

// What "Operation.hst" would hold now.
THstText CurrentHst() {
  THstText hst;
  hst.found = true;
  hst.hst.assign(g_fileProc.hst.begin(), g_fileProc.hst.end());
  hst.lists.resize(kHistoryLists);
  for (int k = 0; k < kHistoryLists; ++k) hst.lists[static_cast<std::size_t>(k)] = HistoryEntries(*HistoryList(k));
  return hst;
}

// Takes the lines and histories of a file's text (the histories' browsing
// stays), and shows its recent files.
void ApplyHst(const THstText& hst) {
  for (std::size_t i = 0; i < g_fileProc.hst.size(); ++i) g_fileProc.hst[i] = i < hst.hst.size() ? hst.hst[i] : "";
  for (int k = 0; k < kHistoryLists; ++k) {
    THistrylist& h = *HistoryList(k);
    const std::size_t kk = static_cast<std::size_t>(k);
    const std::vector<std::string> list = kk < hst.lists.size() ? UpToFirstEmpty(hst.lists[kk]) : std::vector<std::string>{};
    for (std::size_t e = 1; e < h.entries.size(); ++e) h.entries[e] = e <= list.size() ? list[e - 1] : "";
  }
  AddRecentFile("");
}

const std::string& LineOf(const THstText& t, std::size_t i) {
  static const std::string kNone;
  return i < t.hst.size() ? t.hst[i] : kNone;
}

std::vector<std::string> ListOf(const THstText& t, std::size_t k) {
  return k < t.lists.size() ? UpToFirstEmpty(t.lists[k]) : std::vector<std::string>{};
}

// Name first in a recent-file list, an equal entry taken out first.
void PushRecent(std::vector<std::string>& list, const std::string& name) {
  const auto same = std::find(list.begin(), list.end(), name);
  if (same != list.end()) list.erase(same);
  list.insert(list.begin(), name);
  list.resize(kRecentFiles);
}

// The file as another copy of the program may have left it (disk), merged
// with what this run changed since it last read or wrote the file (ours
// against base): a line or history this run changed is its own, any other
// comes from the file; the recent files are the file's with this run's
// openings and clearings done again on them, in order.
THstText MergeHst(const THstText& ours, const THstText& base, const THstText& disk,
                  const std::vector<TRecentStep>& steps) {
  THstText out;
  out.found = true;
  out.hst.resize(kHstLines);
  const std::size_t recentFirst = kHstRecentFirst - 1;
  for (std::size_t i = 0; i < static_cast<std::size_t>(kHstLines); ++i) {
    if (i >= recentFirst && i < recentFirst + kRecentFiles) continue;
    out.hst[i] = LineOf(ours, i) != LineOf(base, i) ? LineOf(ours, i) : LineOf(disk, i);
  }
  std::vector<std::string> recent;
  for (std::size_t i = 0; i < static_cast<std::size_t>(kRecentFiles); ++i) recent.push_back(LineOf(disk, recentFirst + i));
  for (const TRecentStep& step : steps) {
    if (step.clear)
      recent.assign(kRecentFiles, "");
    else
      PushRecent(recent, step.name);
  }
  // Entries after an empty one would never show.
  recent.erase(std::remove(recent.begin(), recent.end(), std::string()), recent.end());
  recent.resize(kRecentFiles);
  for (std::size_t i = 0; i < recent.size(); ++i) out.hst[recentFirst + i] = recent[i];
  out.lists.resize(kHistoryLists);
  for (std::size_t k = 0; k < static_cast<std::size_t>(kHistoryLists); ++k)
    out.lists[k] = ListOf(ours, k) != ListOf(base, k) ? ListOf(ours, k) : ListOf(disk, k);
  return out;
}

// The lock that orders the copies of the program writing "Operation.hst":
// waited for a little, then done without (a copy stopped while holding it
// must not hang this one).
class THstLock {
public:
  THstLock() {
    for (int tries = 0; tries < 200 && handle_ < 0; ++tries) {
      handle_ = RunLockTake(ProgramFile("Operation.hst.lock").string());
      if (handle_ >= 0) break;
      const timespec pause{0, 10'000'000};
      ::nanosleep(&pause, nullptr);
    }
  }
  ~THstLock() { RunLockRelease(handle_); }
  THstLock(const THstLock&) = delete;
  THstLock& operator=(const THstLock&) = delete;

private:
  int handle_ = -1;
};

}  // namespace

void LoadOperationHst() {
  g_fileProc.hstBase = CurrentHst();
  g_fileProc.recentSteps.clear();
  std::string text;
  const ReadFileResult r = ReadFileContents(ProgramFile("Operation.hst"), kHstMaxFile, text);
  if (r == ReadFileResult::Missing) return;
  // A file that is there but cannot be read whole, or holds no history at
  // all, is not replaced by this run's histories.
  g_fileProc.hstLocked = true;
  if (r != ReadFileResult::Ok) return;
  const bool whole = text.size() <= kHstMaxFile;
  if (!whole) text.resize(kHstMaxFile);

  const THstText read = ParseHstText(text);
  g_fileProc.hstLocked = !whole || (!read.found && text.find_first_not_of(" \t\r\n") != std::string::npos);
  if (!read.found) return;
  ApplyHst(read);
  g_fileProc.hstBase = CurrentHst();
}

bool SaveOperationHst() {
  if (g_fileProc.hstLocked) return false;
  const fs::path target = ProgramFile("Operation.hst");
  // Another copy of the program may have written the file since this one
  // read it: what it wrote is kept.
  const THstLock lock;
  THstText merged = CurrentHst();
  std::string text;
  if (ReadFileContents(target, kHstMaxFile, text) == ReadFileResult::Ok && text.size() <= kHstMaxFile) {
    const THstText disk = ParseHstText(text);
    if (disk.found) merged = MergeHst(merged, g_fileProc.hstBase, disk, g_fileProc.recentSteps);
  }
  if (!ReplaceFileContents(target, HstTextFormat(merged))) return false;
  ApplyHst(merged);
  g_fileProc.hstBase = CurrentHst();
  g_fileProc.recentSteps.clear();
  return true;
}

void AddRecentFile(const std::string& name) {
  auto entry = [](int n) -> std::string& { return HstLine(kHstRecentFirst + n - 1); };
  if (!name.empty()) {
    g_fileProc.recentSteps.push_back({false, name});
    for (int i = 1; i <= kRecentFiles; ++i)
      if (entry(i) == name) {
        for (int j = i; j < kRecentFiles; ++j) entry(j) = entry(j + 1);
        entry(kRecentFiles).clear();
        break;
      }
    for (int j = kRecentFiles; j > 1; --j) entry(j) = entry(j - 1);
    entry(1) = name;
  }
  auto& menu = g_fileProc.recentMenu;
  if (!entry(1).empty()) {
    for (int i = 1; i <= kRecentFiles; ++i) {
      TRecentItem& item = menu[static_cast<std::size_t>(i - 1)];
      item.caption = Utf8ToSjis(entry(i));
      item.enabled = true;
      item.visible = !entry(i).empty();
    }
    g_fileProc.recentSeparators = true;
  } else {
    for (TRecentItem& item : menu) item = TRecentItem{};
    menu[0] = {"なし", false, true};
    g_fileProc.recentSeparators = false;
  }
}

void ClearRecentFiles() {
  for (int i = 0; i < kRecentFiles; ++i) HstLine(kHstRecentFirst + i).clear();
  g_fileProc.recentSteps.assign(1, TRecentStep{true, {}});
  AddRecentFile("");
  SaveOperationHst();
}

const std::string& RecentFile(int n) {
  static const std::string kNone;
  if (n < 1 || n > kRecentFiles) return kNone;
  return HstLine(kHstRecentFirst + n - 1);
}

const std::string& LastFolder() { return HstLine(kHstLastFolder); }
void SetLastFolder(const std::string& folder) { HstLine(kHstLastFolder) = folder; }

void SetWorkFolder(const std::string& folder) {
  std::error_code ec;
  if (!folder.empty()) {
    fs::current_path(folder, ec);
    if (!ec) return;
  }
  const fs::path root = ProgramFile("").root_path();
  if (!root.empty()) fs::current_path(root, ec);
}

// ---- Parts and archives -------------------------------------------------------

void LoadPartsFolder(const fs::path& folder) {
  std::vector<fs::path> parts;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (UpperExtension(it->path()) == ".JWK" && it->is_regular_file(ec)) parts.push_back(it->path());
  if (parts.empty()) {
    Message("フォルダ[" + Shown(folder) + "]に部品(*.JWK)がありません。", MsgButtons::Ok, MsgIcon::Warning);
    return;
  }
  std::sort(parts.begin(), parts.end(), [](const fs::path& a, const fs::path& b) { return a.native() < b.native(); });
  if (parts.size() > kMaxParts) parts.resize(kMaxParts);
  Platform().SetScreenCursor(CursorShape::Hourglass);

  // The grid's cell: wide enough for ten characters and every part, high
  // enough for every part with its name below it.
  TPVC& pvc = CurPVC();
  TGcell sample = MakeText("", {0, 0}, 0);
  sample.size = static_cast<std::uint8_t>(std::max(pvc.textSize, 1));
  const TTextMetrics m = TextMetrics(sample);
  const double h = m.height;
  double cellW = 10 * m.width, cellH = h;
  std::vector<TExtents> extents;
  std::vector<bool> readable;
  std::string damaged;
  for (const fs::path& part : parts) {
    GcellClearWindow(StoreWindow());
    TJwcReadReport report;
    readable.push_back(JwcLoad(part, 0, 0, &report));
    if (report.damaged) damaged += "\r\n  " + Shown(part.filename()) + ": " + report.reason;
    const TExtents e = GcellExtents();
    extents.push_back(e);
    cellW = std::max(cellW, e.xmax - e.xmin + 1 + 3 * h);
    cellH = std::max(cellH, e.ymax - e.ymin + 1 + 5 * h);
  }
  GcellClearWindow(StoreWindow());
  const double n = static_cast<double>(parts.size());
  const int columns = static_cast<int>(std::lround(std::sqrt(n) * 1.4 * cellH / cellW)) + 1;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const int column = static_cast<int>(i) % columns, row = static_cast<int>(i) / columns;
    const double x = (column + 0.2) * cellW, y = -cellH * (row + 1);
    GcellAddText(0, sample.size, static_cast<std::uint16_t>(pvc.writePen), Shown(parts[i].stem()), 0, 0, x,
                 y - 2 * h);
    if (readable[i]) JwcLoad(parts[i], x - extents[i].xmin, y - extents[i].ymin);
  }
  GcellReorder();
  GcellCommit();
  SetUnmodified();
  pvc.fileName = (folder / SjisToUtf8("部品リスト")).string();
  FitAndRedraw();
  ShowTitle();
  Platform().SetScreenCursor(CursorShape::Default);
  if (!damaged.empty()) Message("次の部品は壊れています。読めた所までを並べました。" + damaged, MsgButtons::Ok, MsgIcon::Warning);
}

int UnpackArchive(const fs::path& archivePath, const fs::path& folder, int* refused) {
  if (refused) *refused = 0;
  archive* a = archive_read_new();
  archive_read_support_format_lha(a);
  archive_read_support_filter_none(a);
  if (archive_read_open_filename(a, archivePath.c_str(), 1 << 16) != ARCHIVE_OK) {
    archive_read_free(a);
    return -1;
  }
  int written = 0;
  bool damaged = false;
  archive_entry* entry = nullptr;
  std::vector<char> buf(1 << 16);
  for (;;) {
    const int r = archive_read_next_header(a, &entry);
    if (r == ARCHIVE_EOF) break;
    if (r < ARCHIVE_WARN) {
      damaged = true;
      break;
    }
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    const std::string stored = MemberName(archive_entry_pathname(entry));
    std::string generic = stored;
    std::replace(generic.begin(), generic.end(), '\\', '/');
    const fs::path p(generic);
    bool bad = p.is_absolute() || generic.empty() || (generic.size() > 1 && generic[1] == ':');
    for (const fs::path& part : p)
      if (part == "..") bad = true;
    const fs::path base = p.filename();
    if (bad || base.empty() || base == "." || base == "..") {
      if (refused) ++*refused;
      continue;
    }
    const fs::path target = folder / base;
    std::FILE* f = std::fopen(target.c_str(), "wb");
    if (!f) {
      damaged = true;
      break;
    }
    bool ok = true;
    std::uint64_t total = 0;
    for (;;) {
      const la_ssize_t n = archive_read_data(a, buf.data(), buf.size());
      if (n == 0) break;
      total += static_cast<std::uint64_t>(std::max<la_ssize_t>(n, 0));
      if (n < 0 || total > kLh5MaxOutput || std::fwrite(buf.data(), 1, static_cast<std::size_t>(n), f) != static_cast<std::size_t>(n)) {
        ok = false;
        break;
      }
    }
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
      std::error_code ec;
      fs::remove(target, ec);
      damaged = true;
      break;
    }
    ++written;
  }
  archive_read_free(a);
  return damaged && written == 0 ? -1 : written;
}

bool OpenArchive(const fs::path& name) {
  if (!g_fileProc.toolsMode) return false;
  const std::string ext = UpperExtension(name);
  std::error_code ec;
  if (fs::is_regular_file(name, ec) && ext == ".LZH") {
    const fs::path folder = ProgramFile("LZHTMP");
    const std::string failed = "ファイル\"" + Shown(name) + "\"の解凍に失敗しました.";
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
      Message(failed, MsgButtons::Abort);
      SetWorkFolder(g_programDir.folder);
      return true;
    }
    SetWorkFolder(g_programDir.folder);
    std::vector<fs::path> old;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      if (!it->is_directory(ec)) old.push_back(it->path());
    for (const fs::path& f : old) fs::remove(f, ec);
    int refused = 0;
    if (UnpackArchive(name, folder, &refused) < 0) {
      Message(failed, MsgButtons::Abort);
      return true;
    }
    if (refused > 0)
      Message("書庫の中の " + std::to_string(refused) +
                  " 個のファイルは、フォルダの外を指す名前のため取り出しませんでした.",
              MsgButtons::Ok, MsgIcon::Warning);
    SetLastFolder(folder.string() + "/");
    OpenCommand(TFileSender::Open1);
    Message("解凍ファイルは他の圧縮ファイルを解凍すると削除されます．\r\n"
            "変更した場合は他のフォルダに保存して下さい。\r\n\r\n"
            "解凍には libarchive を使っています.",
            MsgButtons::Ok, MsgIcon::Information);
    SetWorkFolder(g_programDir.folder);
    return true;
  }
  if (ext != ".TXT" && ext != ".CSV" && ext != ".VLD" && ext != ".VLZ" && ext != ".JWW" && ext != ".JWC" && ext != ".DXF" &&
      ext != ".DWG") {
    Message("ファイル\"" + Shown(name) + "\"はVelmoでは扱えません.");
  }
  return false;
}

// ---- Command line -----------------------------------------------------------------

int ConvertDrawing(const fs::path& in, const fs::path& out) {
  std::error_code ec;
  if (!fs::is_regular_file(in, ec)) {
    Message("ﾌｧｲﾙ[" + Shown(in) + "]が見つかりません。");
    return 1;
  }
  const std::string outExt = UpperExtension(out);
  if (outExt != ".VLD" && outExt != ".V$D" && outExt != ".VLZ" && outExt != ".JWC" && outExt != ".DXF") {
    Message("ﾌｧｲﾙ[" + Shown(out) + "]には保存できません．");
    return 1;
  }
  if (fs::exists(out, ec) && fs::equivalent(in, out, ec)) {
    Message("読み込むファイルと書き出すファイルが同じです。");
    return 1;
  }
  TOpenReport report;
  if (!OpenDrawingFile(in, &report)) return 1;
  if (report.damaged) return 1;  // the warning said so; a part is no conversion
  CurPVC().fileName = in.string();
  // Nobody to ask: a conversion keeps ellipses as they are.
  return SaveByExtension(out, DxfEllipses::Keep) ? 0 : 1;
}

bool DrawingNeedsRasterHelper() {
  if (CurPVC().varyWidths) return true;
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i)
    if (const TGcell& c = GcellRef(i); c.kind == GK_TEXT && c.window == w) return true;
  return false;
}

int RenderDrawing(const fs::path& in, int width, int height, TRasterImage& image,
                  void (*beforeDrawing)(bool needsRasterHelper), double viewWidth) {
  image = TRasterImage{};
  std::error_code ec;
  if (width < 1 || height < 1 || width > kRenderMaxSide || height > kRenderMaxSide) {
    Message("画像の大きさ " + std::to_string(width) + "x" + std::to_string(height) + " は扱えません (1～" +
            std::to_string(kRenderMaxSide) + " ドット).");
    return 1;
  }
  if (!fs::is_regular_file(in, ec)) {
    Message("ﾌｧｲﾙ[" + Shown(in) + "]が見つかりません。");
    return 1;
  }
  TOpenReport report;
  if (!OpenDrawingFile(in, &report) || report.damaged) return 1;
  if (beforeDrawing) beforeDrawing(DrawingNeedsRasterHelper());
  ViewAttach(width, height);
  ViewFitAll();
  if (viewWidth > 0) ViewSetWidth(viewWidth);
  ViewRedraw(1);
  ViewBuffer().TakeImage(image);  // a picture of millions of pixels: not copied
  return 0;
}
