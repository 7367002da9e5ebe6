// The program-wide values set at start-up and the per-user configuration
// file "VELMO.INI" in the program folder, with the options it stores.
//
// The start-up sequence, the timed snapshots, dropped files and the close
// with its save questions are in files/FileProc (they open and save
// drawings); they read and write the configuration through this unit.
#pragma once

#include <filesystem>
#include <string>

// The version the main window's caption shows until the first title.
constexpr const char* kAppVersion = "2020.11.26";

// The options the configuration file holds, named after their keys (those
// another module keeps in its own state are read into it and written from it).
struct TAppOptions {
  // [View] "背景を白にする": white drawing background.
  bool BcWhite = false;
  // [Input] the last fillet thickness typed in join and chamfer (CP932).
  std::string SumiNik = "5";
  // [RDXF] the text-size choice of the DXF import dialog.
  int MjSize1 = 0;
  // [RDXF] the program that turns a DWG file into DXF: run with the DWG
  // file and the DXF file to write as its arguments; none by default.
  std::string DwgConv;
  // [JWCEXT] the command processor that runs external transform batches
  // (".BAT"): its words, then the command as one more argument. Empty: "wine
  // cmd /c" when wine is installed, else none.
  std::string JwcShell;
  // [ETC1] WheelZm and RScrSpd are kept by the mouse navigation
  // (g_mouseNav, app/ApMouse), which reads them at every event.
  // [ETC1] "文字表記のコマンドボタンにする。": captioned tool buttons.
  bool MojiBtn = false;
  // [ETC1] "上書き保存時、確認メッセージを出さない。": no question before overwriting.
  bool NoSvChk = false;
  // [BOXC] the two box sizes of the box counter (CP932).
  std::string Edit1BW, Edit1BH, Edit2BW, Edit2BH;
};

struct ApInitState {
  TAppOptions options;
  // The configuration file could not be read although it exists (or is too
  // large): it is left as it is rather than overwritten with defaults.
  bool configLocked = false;
  // The screen is at most kCompactScreenHeight pixels high: the main window
  // has no border, the view buttons (Pn_View) and the pointer position
  // (pnMouse) are hidden and the bottom bar is 3 pixels high.
  bool compactScreen = false;
};
extern ApInitState g_apInit;
void ApInit_Reset();

inline TAppOptions& AppOptions() { return g_apInit.options; }

constexpr int kCompactScreenHeight = 480;
// Decides the compact screen for a screen of that many pixels (0: unknown).
void CheckCompactScreen(int screenHeight);

// The main window's caption: "【Velmo Ver 2020.11.26】" and a maker line (CP932).
std::string MainCaption();

// "VELMO.INI" in the program folder; empty without a program folder, when
// the defaults are used and nothing is written.
std::filesystem::path ConfigFileName();
// Reads the configuration file into the options (the defaults for keys
// that are missing or unreadable, all defaults without a file) and applies
// what takes effect at once (the white background).
void LoadConfigFile();
// Writes the options into the configuration file, keeping every other line
// of it as it is. False when it could not be written or was not readable.
bool SaveConfigFile();
