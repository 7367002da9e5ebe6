#include "app/ApInit.h"

#include <system_error>

#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "kernel/IniFile.h"
#include "kernel/ProgramDir.h"
#include "render/ApPenSet.h"

namespace fs = std::filesystem;

ApInitState g_apInit;

void ApInit_Reset() { g_apInit = ApInitState{}; }

void CheckCompactScreen(int screenHeight) {
  g_apInit.compactScreen = screenHeight > 0 && screenHeight <= kCompactScreenHeight;
  if (g_apInit.compactScreen) {
    g_form1.pnMouse.visible = false;
    Form1Changed();
  }
}

std::string MainCaption() { return std::string("【Velmo Ver ") + kAppVersion + "】 Linux/Qt 版"; }

fs::path ConfigFileName() {
  if (g_programDir.folder.empty()) return {};
  return fs::path(g_programDir.folder) / "VELMO.INI";
}

namespace {

constexpr struct {
  const char* key;
  std::string TAppOptions::*field;
} kBoxSizes[] = {{"Edit1BW", &TAppOptions::Edit1BW},
                 {"Edit1BH", &TAppOptions::Edit1BH},
                 {"Edit2BW", &TAppOptions::Edit2BW},
                 {"Edit2BH", &TAppOptions::Edit2BH}};

}  // namespace

void LoadConfigFile() {
  TIniFile ini;
  const fs::path file = ConfigFileName();
  const IniLoadResult r = file.empty() ? IniLoadResult::Missing : IniLoadFile(file, ini);
  g_apInit.configLocked = r == IniLoadResult::Unreadable;
  const TAppOptions d;
  TAppOptions& o = g_apInit.options;
  o.BcWhite = IniReadBool(ini, "View", "BcWhite", d.BcWhite);
  o.SumiNik = IniReadString(ini, "Input", "SumiNik", d.SumiNik);
  o.MjSize1 = IniReadInteger(ini, "RDXF", "MjSize1", d.MjSize1);
  o.DwgConv = IniReadString(ini, "RDXF", "DwgConv", d.DwgConv);
  o.JwcShell = IniReadString(ini, "JWCEXT", "Shell", d.JwcShell);
  g_mouseNav.WheelZm = IniReadBool(ini, "ETC1", "WheelZm", true);
  g_mouseNav.RScrSpd = IniReadBool(ini, "ETC1", "RScrSpd", true);
  o.MojiBtn = IniReadBool(ini, "ETC1", "MojiBtn", d.MojiBtn);
  o.NoSvChk = IniReadBool(ini, "ETC1", "NoSvChk", d.NoSvChk);
  for (const auto& b : kBoxSizes) o.*b.field = IniReadString(ini, "BOXC", b.key, d.*b.field);
  SetWhiteBackground(o.BcWhite);
}

bool SaveConfigFile() {
  if (g_apInit.configLocked || ConfigFileName().empty()) return false;
  // The file as it is now: another running copy may have written keys of
  // its own since this one started.
  TIniFile ini;
  if (IniLoadFile(ConfigFileName(), ini) == IniLoadResult::Unreadable) return false;
  const std::string before = IniText(ini);
  TAppOptions& o = g_apInit.options;
  o.BcWhite = WhiteBackground();  // the menu item switches the background itself
  IniWriteBool(ini, "View", "BcWhite", o.BcWhite);
  IniWriteString(ini, "Input", "SumiNik", o.SumiNik);
  IniWriteInteger(ini, "RDXF", "MjSize1", o.MjSize1);
  // A key of this program's own: written once it is set, so that a file
  // without it stays as it was.
  if (!o.DwgConv.empty() || IniFind(ini, "RDXF", "DwgConv", nullptr)) IniWriteString(ini, "RDXF", "DwgConv", o.DwgConv);
  if (!o.JwcShell.empty() || IniFind(ini, "JWCEXT", "Shell", nullptr)) IniWriteString(ini, "JWCEXT", "Shell", o.JwcShell);
  IniWriteBool(ini, "ETC1", "WheelZm", g_mouseNav.WheelZm);
  IniWriteBool(ini, "ETC1", "RScrSpd", g_mouseNav.RScrSpd);
  IniWriteBool(ini, "ETC1", "MojiBtn", o.MojiBtn);
  IniWriteBool(ini, "ETC1", "NoSvChk", o.NoSvChk);
  for (const auto& b : kBoxSizes) IniWriteString(ini, "BOXC", b.key, o.*b.field);
  std::error_code ec;
  if (IniText(ini) == before && fs::exists(ConfigFileName(), ec)) return true;
  return IniSaveFile(ConfigFileName(), ini);
}
