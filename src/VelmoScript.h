// Scripted sessions: `velmo --script FILE` runs a text script of the user's
// input with no window and no display, on the headless platform, through
// app/ApInput as the window's own input goes; src/VelmoRecord writes the
// window's input as such a script (`velmo --record FILE`).
//
// The script is UTF-8, one command a line; "#" at the start of a word
// begins a comment; words are separated by blanks, a text with blanks is
// written in double quotes (\" \\ \n \t inside). Texts are converted to
// CP932 when the script is read: a character CP932 cannot hold is an error
// of the script. Positions are drawing coordinates "X,Y" (y up) converted
// to pixels through the view as it is when the command runs, or "px X,Y"
// for pixels of the drawing area.
//
// The whole script is read and checked before anything runs, so a
// malformed script changes nothing. Exit status: 0 when it ran to its end
// (or closed the window), 1 when an expectation failed, a question had no
// answer, a file command failed or an answer was left over, 2 for a
// malformed script.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/Platform.h"

struct TScriptRun {
  int width = 1600, height = 1000;  // the drawing area, unless the script's first lines say
  std::FILE* out = stdout;  // print state (UTF-8)
  std::FILE* err = stderr;  // why the script stopped (UTF-8)
};

// Status of a run.
enum : int { kScriptOk = 0, kScriptFailed = 1, kScriptMalformed = 2 };

// The limits of a script file.
constexpr int kScriptMaxLines = 500000;
constexpr std::size_t kScriptMaxBytes = 64u << 20;
constexpr std::size_t kScriptMaxLine = 64u << 10;

// Runs the script file (path UTF-8, relative paths inside it are taken from
// the current folder) on the headless platform, which it installs for the
// run: the program folder is read as the window reads it at its start
// (options, histories, the start-up drawing) but nothing is written there
// except the run's own temporary files, which go at the end.
int RunScriptFile(const std::filesystem::path& file, const TScriptRun& run);
// The same for a script's text; name (UTF-8) stands for the file in messages.
int RunScriptText(std::string_view text, const std::string& name, const TScriptRun& run);
// Reads and checks a script's text without running it (the menu's commands
// must be registered): true when it would run; else the line (from 1) and
// the message (CP932) say why not.
bool CheckScriptText(std::string_view text, int& line, std::string& message);

// ---- The script's words, shared with the recorder ----------------------------

// A key's name in scripts ("Enter", "F2", "A"), or "" for a code without one.
std::string ScriptKeyName(int key);
// The key of a name (any case), or 0.
int ScriptKeyCode(std::string_view name);
// A number as scripts write it: the shortest text that reads back as the same double.
std::string ScriptNumber(double v);
// A text (UTF-8) in double quotes, with \" \\ \n \r \t escaped.
std::string ScriptQuote(std::string_view utf8);
// A message box answer's word ("yes").
const char* ScriptAnswerWord(MsgAnswer a);
// Pixels of the drawing area for a drawing point through the current view
// (to 1/256 pixel, so that a recorded point lands on its pixel exactly).
void ScriptToPixel(double x, double y, double& px, double& py);
