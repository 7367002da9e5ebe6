// File management: which file a command means, which reader or writer its
// extension selects, the confirmation and refusal messages, the program's
// own files in the program folder (the start-up drawing "#INIT.V$D", the
// snapshots and temporary files of the run, the history file
// "Operation.hst"), the recent-file list, folders of parts, LZH archives,
// and the command-line conversion.
//
// Everything works on the current window: the store's current window and
// the working settings (slot 0), whose fileName is the drawing's path
// (UTF-8, empty when untitled) and whose modified counter is non-zero while
// it has unsaved changes.
//
// Paths are native UTF-8. Texts shown (messages, the title, the recent-file
// captions) are CP932. In "Operation.hst" the histories are CP932 text as
// typed and the folders and file names are stored as the file system spells
// them (UTF-8).
//
// Where the file commands must differ from a literal reading of the old
// program, they do:
// - a window whose open failed, or was abandoned half-way, becomes untitled,
//   so a later Save cannot overwrite the user's file with a partial drawing;
// - a window recovered from a snapshot stays modified;
// - save-as renames the window only when the save succeeded;
// - writing the start-up file leaves the drawing's modified counter alone
//   (its cells were not saved);
// - the ".VLZ" scratch text and the snapshots carry the run's temporary
//   prefix, so two running copies never share a scratch file;
// - each run holds a lock on its prefix's lock file ("#TMPxxxxxxxx#LOCK")
//   for as long as it lives: start-up recovers only snapshots of runs whose
//   lock nobody holds (and takes their lock over, so no second copy
//   recovers them too), and closing deletes this run's files, the snapshots
//   it recovered and the leftovers of finished runs, never the files of a
//   running copy nor a snapshot still waiting to be recovered;
// - a file named on the command line does not replace work recovered into
//   window 1 without the save question;
// - the timed backup also writes a drawing changed only once since it was
//   last saved, opened or written.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/HstText.h"
#include "files/fLoad_DXF.h"
#include "files/fSave_DXF.h"
#include "kernel/Platform.h"

// Which control started a command.
enum class TFileSender { Open1, OpenV, Save1, Other };

constexpr int kRecentFiles = 9;   // entries 12..20 of that block
constexpr int kHstLastFolder = 1;     // line numbers (1-based) of that block
constexpr int kHstPictureFolder = 2;
constexpr int kHstBatchFolder = 6;
constexpr int kHstRecentFirst = 12;

// A menu item of the recent-file list as the main menu shows it.
struct TRecentItem {
  std::string caption;  // CP932
  bool enabled = false;
  bool visible = false;
};

// A change of the recent-file list since "Operation.hst" was last read or
// written: a file put first, or the list cleared.
struct TRecentStep {
  bool clear = false;
  std::string name;
};

struct FileProcState {
  // The DXF import dialog's fields as last confirmed, and the reading they
  // ask for (the command line's conversions read with the defaults).
  TLoadDxfForm dxfForm;
  TDxfOptions dxfOptions;
  // Lines 1..100 of the first block of "Operation.hst" (index 0 = line 1).
  std::array<std::string, kHstLines> hst;
  // "Operation.hst" as this run last read or wrote it, and the recent-file
  // changes since: another copy's changes to the file are merged with these
  // when it is written.
  THstText hstBase;
  std::vector<TRecentStep> recentSteps;
  // The menu items ReOpen1..ReOpen9 and the separators ReOpenDel1, ReOpenDel2.
  std::array<TRecentItem, kRecentFiles> recentMenu;
  bool recentSeparators = false;
  std::string openDialogFileName;  // UTF-8: the open dialog's file name
  bool toolsMode = false;          // archives are opened only in the tools mode
  int guideFlashes = 0;            // times the guide panel flashed instead of asking
  // Snapshot files of an earlier run that were opened at start-up; deleted
  // with this run's temporary files.
  std::vector<std::string> recoveredSnapshots;
  // This run's lock (RunLockTake handle, -1 without), and the locks of
  // finished runs it took over with their prefixes ("#TMPxxxxxxxx#").
  int runLock = -1;
  std::vector<std::pair<std::string, int>> claimedRuns;
  // The backup timer: its id (0 when stopped), the ticks counted, and per
  // window whether its snapshot holds the drawing as it is (counter 1).
  int backupTimer = 0;
  int backupTicks = 0;
  int backupIntervalMs = 1000;  // one tick (shorter in the window tests)
  std::array<bool, 3> snapshotCurrent{};
  // Shows the status label at once, before the snapshot is written (the
  // window sets it; the event loop does not run during the write).
  std::function<void()> backupShown;
  bool closed = false;  // FormClose has run
  // "Operation.hst" is there but could not be read: it is never written.
  bool hstLocked = false;
};
extern FileProcState g_fileProc;
// Releases the run's locks and stops the backup timer, then the start-up state.
void FileProc_Reset();

// ---- The program's files ------------------------------------------------

// A file of the program folder (the temporary folder when there is none).
std::filesystem::path ProgramFile(std::string_view name);
// "#INIT.V$D" in the program folder.
std::filesystem::path StartupFileName();
// The window's snapshot: the run's temporary prefix, its number, ".V$D".
std::filesystem::path SnapshotFileName(int window);
// Sets the run's temporary prefix (program folder + "#TMP" + eight
// upper-case hexadecimal digits of the clock + "#") unless it is set, and
// locks its lock file; the digits are moved on while files with that prefix
// exist or its lock is taken. Needs the program folder (ProgramDir_Init).
void InitTempPrefix();
// The lock file of a run's prefix ("#TMPxxxxxxxx#", without folder).
std::filesystem::path RunLockFileName(const std::string& prefix);
// Deletes this run's temporary files, the snapshots recovered at start and
// the files of finished runs (no snapshot of theirs left), then releases
// the run's locks. Files of running copies stay.
void DeleteRunTempFiles();

// ---- Reading and writing by extension -------------------------------------

// The upper-cased extension of a path, with its dot (".VLD"; "" for none).
std::string UpperExtension(const std::filesystem::path& name);
// True when the file exists and cannot be written: no write permission for
// anyone, the file system refuses writing, or its attributes cannot be read.
bool IsReadOnlyFile(const std::filesystem::path& name);

// What opening a drawing found beside what it read.
struct TOpenReport {
  bool damaged = false;   // cut short or otherwise damaged: only its first part was read
  long long cells = 0;    // elements read
  long long skipped = 0;  // elements left out, beyond the reader's limits
  long long unsupported = 0;  // elements the format has and the drawing cannot hold
  std::string reason;         // CP932: what the damage was, when the reader knows
};

// Clears the current window and reads a file into it by its extension. An
// empty name, or the start-up file's, reads the start-up file; when that is
// missing, the built-in settings (BuiltInSettings) are loaded and false
// returned. A damaged file gives what was read before the damage, with a
// warning that says how many elements that was (true: something was read);
// elements left out are counted in the warning too. The text-size list of
// the main window is rebuilt from the settings read.
bool OpenDrawingFile(const std::filesystem::path& name, TOpenReport* report = nullptr);
// Writes the current window by the extension of name. False after a message
// (read-only file, a type that cannot be written, a write error); a failed
// write leaves an existing file as it was. ellipses: how a DXF file takes
// them (asked by default).
bool SaveByExtension(const std::filesystem::path& name, DxfEllipses ellipses = DxfEllipses::Ask);

// ---- Commands -------------------------------------------------------------

// Opens name into the current window as the open command does after its
// dialog: compaction, everything visible, write layer 0, OpenDrawingFile;
// on success the window is unmodified, named after the file and listed in
// the recent files; on failure it is untitled; a damaged file's part is
// untitled and modified, and not listed. Either way the view is
// fitted to what was read and redrawn (when it is bound to the screen).
bool OpenFileIntoWindow(const std::filesystem::path& name);
// The DXF import dialog for the file: its choices become the reading's
// options (and the dialog's fields for next time). False when cancelled.
bool AskDxfOptions(const std::filesystem::path& name);
struct TVldReadReport;
struct TOpenReport;
// A DWG file through the converter of the configuration ([RDXF] DwgConv):
// copied into the program folder, converted to DXF there, read as DXF. Without
// a converter, or when it fails, a message and false.
bool DwgLoad(const std::filesystem::path& name, TVldReadReport* read, TOpenReport& found);
// The steps of the open command and the recent-file items once a file has
// been chosen: a missing file is refused, a part (".JWK") may bring its
// whole folder, anything else is opened (OpenFileIntoWindow). True when
// something was read.
bool OpenChosen(const std::filesystem::path& name);
// "開く": asks to save a modified window, lets the user pick a file (OpenV,
// the preview dialog, falls back to the standard dialog until it exists) and
// opens it.
void OpenCommand(TFileSender sender);
// The recent-file item n (1..9).
void ReOpenCommand(int n);
// "上書き保存": saves under the window's name; an untitled window asks for a
// name when the sender is Save1.
void SaveCommand(TFileSender sender);
// "名前を付けて保存".
void SaveAsCommand();
// Checks (extension, read-only), asks before overwriting (unless told not
// to), saves, and names the window after the file. False when refused,
// cancelled or failed.
bool SaveToFile(const std::filesystem::path& name, bool askOverwrite = true);
// New drawing: the modified question, then the start-up settings without cells.
void NewCommand();
// The modified question: true when the caller may go on (saved or not
// wanted), false when cancelled or the save failed.
bool ConfirmSaveModified();

// Writes the start-up file from the working settings, no cells; the
// current drawing stays modified.
bool SaveStartupFile();
// Writes both windows to their snapshot files; the current window and the
// modified counters stay as they were.
void SnapshotWindows();
// Start-up of both windows: for window 2, then 1, the start-up file and
// (with recover) a snapshot of that window left by a finished run (which
// keeps the window modified and untitled), the view fitted when the drawing
// area is bound; then window 1 is current.
void OpenStartupWindows(bool recover = true);

// ---- The main window's life ---------------------------------------------------

// Ticks of the one-second backup timer between two snapshots.
constexpr int kBackupTicks = 180;

// The window is created on a screen screenHeight pixels high (0: unknown):
// the compact screen check, caption, the program folder, the run's prefix and
// lock, the tools mode (a "velmo.dpr" in the program folder), the histories
// and recent files of "Operation.hst".
void FormCreate(int screenHeight = 0);
// The window is shown the first time: the configuration file is read and
// written back; both windows are opened from the start-up file (and
// recovered snapshots); an existing commandLineFile (UTF-8, empty for none)
// is opened into window 1 (a missing file or a folder is said so); the view is fitted and drawn; the backup timer
// starts. A scripted session (velmo --script) starts the same way but
// writes nothing back, recovers no snapshot and takes no backups.
void FormShow(const std::string& commandLineFile, bool scripted = false);
// The user closes the window: the current operation ends, then a modified
// window is asked about (Yes saves, No goes on, Cancel stays), and the
// other window too when it is modified. False refuses the close (Cancel, or
// a save that did not happen).
bool FormCloseQuery();
// The window closes: the backup timer stops, the configuration and
// "Operation.hst" are written, the run's temporary files deleted. Runs once.
void FormClose();
// The backup timer's tick: every kBackupTicks ticks each window modified
// since its last snapshot is written to its snapshot file (no compaction,
// the undo step kept), its counter set to 1; meanwhile the status label
// lbDataCount reads "..バックアップ保存中！" in magenta. The current window, the
// working settings and the current operation stay as they were.
void BackupTick();
// Files dropped on the window (UTF-8 paths): the first is opened into the
// current window after the save question; a missing file is refused.
void DropFiles(const std::vector<std::string>& files);

// ---- "Operation.hst" and the recent files --------------------------------

// Reads "Operation.hst". A file that exists but is no regular file, cannot
// be read, is larger than kHstMaxFile or holds no "$BEGIN" line (but more
// than blanks and line ends) is kept: SaveOperationHst then leaves it alone
// and returns false.
void LoadOperationHst();
// Writes "Operation.hst", under a lock ("Operation.hst.lock") that orders
// the copies of the program sharing the folder: what another copy wrote
// since this run read or wrote the file stays (a line or history this run
// did not change is taken from the file; the file's recent files get this
// run's openings and clearings again), and this run then holds the result.
bool SaveOperationHst();
// Puts name first in the recent files (an existing equal entry is removed
// first) and rebuilds the menu; an empty name only rebuilds it.
void AddRecentFile(const std::string& name);
// The menu item ReOpenDel2: empties the list and saves "Operation.hst".
void ClearRecentFiles();
// Entry n (1..9) of the list; empty when unused.
const std::string& RecentFile(int n);
// The last folder of the open and save commands.
const std::string& LastFolder();
void SetLastFolder(const std::string& folder);

// Makes the folder current, or the root of the program folder when that fails.
void SetWorkFolder(const std::string& folder);

// ---- Parts and archives ---------------------------------------------------

// Lays out the parts (".JWK") of a folder, the first kMaxParts by name, in
// a grid in the current window, each with its name below it; the window is
// then the folder's "部品リスト", unmodified.
constexpr std::size_t kMaxParts = 400;
void LoadPartsFolder(const std::filesystem::path& folder);
// True when name was an archive and has been handled (unpacked into the
// program folder's "LZHTMP" and offered in the open dialog); false when the
// caller should open it as a drawing. Only in the tools mode.
bool OpenArchive(const std::filesystem::path& name);
// Unpacks every regular member of an LZH archive into folder, under its base
// name; members whose stored path is absolute or climbs with ".." are
// refused. Returns the number of files written; *refused counts the members
// left out. -1 when the archive cannot be read.
int UnpackArchive(const std::filesystem::path& archive, const std::filesystem::path& folder,
                  int* refused = nullptr);

// ---- Command line ---------------------------------------------------------

// velmo --convert IN OUT: reads IN and writes OUT, each by its extension.
// Messages go to the platform; returns the exit status (0 on success).
int ConvertDrawing(const std::filesystem::path& in, const std::filesystem::path& out);

// The largest picture RenderDrawing makes, in pixels per side.
constexpr int kRenderMaxSide = 16384;
// velmo --render IN OUT.png: reads IN and draws the whole drawing fitted
// into a width x height view as the main view shows it. Returns the exit
// status (0 on success) and the picture in image. Between reading and
// drawing, beforeDrawing (when given) is told whether the drawing needs the
// platform's raster helper (texts, pens wider than a pixel), so a command
// line can start the toolkit only then. viewWidth > 0: the view that many
// drawing units across about the fitted view's centre.
struct TRasterImage;
int RenderDrawing(const std::filesystem::path& in, int width, int height, TRasterImage& image,
                  void (*beforeDrawing)(bool needsRasterHelper) = nullptr, double viewWidth = 0);

// Whether drawing the current window needs the raster helper: a live text,
// or pens drawn in their widths.
bool DrawingNeedsRasterHelper();
