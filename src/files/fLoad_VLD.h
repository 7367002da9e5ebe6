// The native drawing file reader (".VLD", ".V$D", the text inside ".VLZ",
// and clipboard text copied by CopySelectionToClipboard).
//
// Reading merges: every settings record met is applied to the working
// settings (then normalised), every element record is appended to the cell
// store, moved by an offset. Clearing the window first is the caller's
// business. Line ends CR LF, LF and CR alone are all read (the first line
// end of the text decides between LF and CR).
//
// Damaged input is survived: unknown records and lines are skipped, numbers
// are read leniently, values used as indices are clamped, cells with
// coordinates beyond kVldMaxCoord are dropped and counted. A text that ends
// before "$EOF" was cut short: its last record, when a line of it lacks its
// line end or is missing, is dropped, and the caller is told (TVldReadReport)
// so that it can warn. A group number outside 0..15
// or a value too large for its field (text size above 255, pen word above
// 65535) stops the read with a message; what was read before stays. So do a
// line longer than kVldMaxLine and a read error.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Lines longer than this stop the read: no real record comes near it, and a
// file without line ends must not fill the memory.
constexpr std::size_t kVldMaxLine = std::size_t{16} << 20;
// Coordinates, lengths and angles of cells beyond this magnitude are taken
// as damage: such a cell is not added.
constexpr double kVldMaxCoord = 1e12;

// The lines of a drawing's text, read from memory or streamed from a file.
class TVldLines {
public:
  enum class Error { None, Read, TooLong };

  // Lines of text that stays alive while this object is used.
  explicit TVldLines(std::string_view text);
  // Lines of an open file (not closed here), read in chunks of the given
  // size (a megabyte; tests use tiny ones to cross every boundary).
  explicit TVldLines(std::FILE* file, std::size_t chunk = std::size_t{1} << 20);

  // The next line without its line end; the view is valid until the next
  // call. False at the end of the text and on an error.
  bool Next(std::string_view& line);
  // Whether the last line returned had a line end (the last line of a text
  // may not).
  bool terminated() const { return terminated_; }
  // The next call of Next returns the last line again.
  void PutBack() { putBack_ = true; }
  Error error() const { return error_; }
  // 1-based number of the last line returned.
  long long lineNumber() const { return number_; }

private:
  // How lines end: decided by the first line end of the text.
  enum class Ends { Unknown, Lf, Cr };
  bool Refill();
  // Decides ends_ from the data at hand; false when more must be read first.
  bool DecideEnds();

  std::FILE* file_ = nullptr;
  std::vector<char> buf_;
  const char* data_ = nullptr;
  std::size_t pos_ = 0, end_ = 0;
  bool atEnd_ = false;
  bool putBack_ = false;
  Ends ends_ = Ends::Unknown;
  bool skipLf_ = false;  // a CR ended the last line: an LF right after it belongs to it
  bool terminated_ = true;  // of last_
  std::string_view last_;
  long long number_ = 0;
  Error error_ = Error::None;
};

// What a read found beside the records it applied. The reader shows no
// message of its own for these: its caller knows what the text was.
struct TVldReadReport {
  long long cells = 0;    // elements added to the store
  long long skipped = 0;  // elements beyond kVldMaxCoord, not added
  bool cutShort = false;  // the text ended before "$EOF"
};

// Reads the file (UTF-8 path, opened read-only) into the current window,
// moving every element by (dx, dy). False, after a message box saying why,
// when the file cannot be opened, is not a drawing (nothing changed), or
// its read stopped (see above).
bool VldLoad(const std::filesystem::path& fileName, double dx, double dy, TVldReadReport* report = nullptr);

// The same over text in memory; name (CP932) stands for it in messages.
bool VldLoadText(std::string_view text, double dx, double dy, std::string_view name,
                 TVldReadReport* report = nullptr);
// The same over lines from any source.
bool VldLoadLines(TVldLines& lines, double dx, double dy, std::string_view name,
                  TVldReadReport* report = nullptr);

// Decodes the data lines that follow a picture's reference line into a new
// temporary file and returns its name (CP932): the run's temporary prefix,
// a counter of eight digits and the extension of the reference
// (VldPictureExtension). Reads up to the end, a line shorter than three
// characters (consumed) or a line that does not start with ":" (left for
// the caller). Without a temporary prefix the data is skipped and the name
// is empty; when the file cannot be written it is removed, *failed set and
// the name empty. *cut is set when the text ended before the end line.
std::string VldExtractPicture(TVldLines& in, std::string_view reference, bool* failed = nullptr,
                              bool* cut = nullptr);

// The extension an extracted picture gets: the reference's own, upper-cased,
// when it is one to four letters or digits, else ".BIN".
std::string VldPictureExtension(std::string_view reference);

struct FLoadVldState {
  int pictureCount = 0;  // pictures extracted since start-up
  // LINE records in this program's own spelling are read straight from
  // their line (tests turn it off to compare with the long way).
  bool quickLines = true;
};
extern FLoadVldState g_fLoadVld;
void fLoad_VLD_Reset();
