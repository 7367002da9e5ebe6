// The native drawing file writer (".VLD", ".V$D", the text inside ".VLZ")
// and the copy of the selected cells to the clipboard as the same text.
//
// A file is CP932 text with CR LF line ends: the identification line, the
// window record (extents widened by 1), the settings section of CF_ records,
// an empty blocks section, one record per cell of the current window, and
// "$EOF". Numbers are written with fixed decimals and a point, whatever the
// C locale. No field can hold its line's separator and no text a line break,
// so TAB, CR and LF in names and texts are written as blanks.
//
// Files are written to a temporary file beside the target, flushed to disk
// and renamed over the target, so a failed save leaves the old file intact.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "model/GC_DB.h"

// Identification of the files this writer makes. The product word is
// "Velmoデータファイル" in CP932, spelt in bytes so that it stays CP932 in
// builds whose compiler keeps literals in UTF-8 (the fuzzing build).
inline constexpr std::string_view kVldProduct = "Velmo\x83\x66\x81\x5B\x83\x5E\x83\x74\x83\x40\x83\x43\x83\x8B";
inline constexpr std::string_view kVldVersion = "5.2";
inline constexpr std::string_view kVldDate = "2020.11.26";

// Where the writer's text goes: kept in memory, or, with a file, flushed to
// it whenever a megabyte has gathered.
class TVldSink {
public:
  explicit TVldSink(std::FILE* file = nullptr) : file_(file) {}
  void Put(std::string_view s) {
    buf_.append(s);
    if (file_ && buf_.size() >= kFlushAt) Flush();
  }
  // s followed by CR LF.
  void Line(std::string_view s) {
    Put(s);
    Put("\r\n");
  }
  // Writes what has gathered to the file; false once any write failed.
  bool Flush();
  bool failed() const { return failed_; }
  // The text gathered so far (everything, without a file).
  const std::string& text() const { return buf_; }

private:
  static constexpr std::size_t kFlushAt = 1 << 20;
  std::FILE* file_;
  std::string buf_;
  bool failed_ = false;
};

// Writes the current window to fileName (UTF-8 path), replacing it. With
// compactFirst the store is compacted and the undo step closed first (user
// saves and the start-up file; snapshots keep their undo). On failure shows
// why, leaves an existing file as it was and returns false.
bool VldSave(const std::filesystem::path& fileName, bool compactFirst);
// The message of a save that failed, and why (CP932).
void ShowSaveError(const std::filesystem::path& fileName, const char* why);

// The whole file text of the current window, as VldSave writes it.
void VldWrite(TVldSink& out);

// The settings section of the working settings: "$BEGIN,HEADER", the CF_
// records, "$ENDS,HEADER".
void VldWriteSettings(TVldSink& out);

// The record of one cell without a line end: two lines joined by CR LF for
// a text and a polygon; empty for a picture, a deleted or dead cell and the
// kinds without a record (dots, markers, rectangles).
std::string VldCellLine(const TGcell& cell);

// A picture record with the picture file's bytes embedded. A bitmap (".BMP")
// is first converted to JPEG as the program folder's "#TMP.JPG", which is
// embedded instead (the cell keeps its bitmap); a bitmap that cannot be
// converted is embedded as it is. A picture file that cannot be read is
// written as a plain reference to its name, without data, so the drawing
// still saves and still names the file.
void VldWritePicture(TVldSink& out, const TGcell& cell);

// The embedded form of some bytes: lines of ":", a count character and
// groups of four 6-bit characters, 60 bytes a line, then ":0".
void VldWritePictureData(TVldSink& out, std::string_view bytes);

// Puts the selected cells of the current window on the clipboard as native
// text (no settings section, pictures as empty lines). Leaves the clipboard
// alone when nothing is selected.
void CopySelectionToClipboard();
