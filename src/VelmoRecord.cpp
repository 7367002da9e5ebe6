#include "VelmoRecord.h"

#include <charconv>

#include "VelmoScript.h"
#include "app/ApKeyEvent.h"
#include "app/ApMainMenu.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "kernel/SjisConv.h"

namespace {

// The modifiers of a shift state as script words (" shift ctrl").
std::string ModWords(unsigned shift) {
  std::string s;
  if (shift & ssShift) s += " shift";
  if (shift & ssCtrl) s += " ctrl";
  if (shift & ssAlt) s += " alt";
  return s;
}

const char* ButtonWord(unsigned button) {
  switch (button) {
    case ssRight: return "R";
    case ssMiddle: return "M";
    default: return "L";
  }
}

// The fewest decimals of a drawing coordinate that still read back as the
// same pixel (axis 0: x, 1: y); "" when none does.
std::string Coordinate(double v, int axis, double pixel) {
  auto lands = [&](double c) {
    double rx = 0, ry = 0;
    ScriptToPixel(axis == 0 ? c : 0, axis == 1 ? c : 0, rx, ry);
    return (axis == 0 ? rx : ry) == pixel;
  };
  char buf[64];
  for (int decimals = 0; decimals <= 9; ++decimals) {
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    double c = 0;
    if (r.ec != std::errc() || std::from_chars(buf, r.ptr, c).ec != std::errc()) break;
    if (lands(c)) return ScriptNumber(c);
  }
  return lands(v) ? ScriptNumber(v) : std::string();
}

// A drawing-area pixel as a script position: drawing coordinates when they
// read back as exactly this pixel, else the pixel itself.
std::string Position(double px, double py) {
  const TGContext& v = CurrentView();
  if (v.canvas && v.sx > 0 && v.sy > 0) {
    const std::string x = Coordinate(v.wx1 + (px - v.devLeft) / v.sx, 0, px);
    const std::string y = Coordinate(v.wy1 + (v.devBottom - py) / v.sy, 1, py);
    if (!x.empty() && !y.empty()) return x + "," + y;
  }
  return "px " + ScriptNumber(px) + "," + ScriptNumber(py);
}

std::string Utf8(const std::string& sjis) { return SjisToUtf8(sjis); }

}  // namespace

TScriptRecorder::~TScriptRecorder() { Close(); }

bool TScriptRecorder::Open(const std::filesystem::path& file) {
  Close();
  file_ = std::fopen(file.c_str(), "wb");
  if (!file_) return false;
  Write(Utf8("# velmo --record で記録した操作。velmo --script で再生できます。"));
  return !failed_;
}

void TScriptRecorder::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

void TScriptRecorder::Started(const std::string& drawing) {
  if (!drawing.empty()) Write("open " + ScriptQuote(drawing));
  started_ = true;
}

void TScriptRecorder::Write(const std::string& line) {
  if (!file_ || line.empty()) return;
  const bool ok = std::fputs(line.c_str(), file_) >= 0 && std::fputc('\n', file_) != EOF && std::fflush(file_) == 0;
  if (!ok && !failed_) {
    failed_ = true;
    std::fputs(Utf8("velmo: 操作の記録を書き込めません。\n").c_str(), stderr);
  }
}

std::string TScriptRecorder::Line(const TInputEvent& e) {
  switch (e.kind) {
    case TInputKind::Resize: return "size " + std::to_string(e.value) + "x" + std::to_string(e.value2);
    case TInputKind::MouseDown:
      return std::string("press ") + ButtonWord(e.button) + " " + Position(e.x, e.y) + ModWords(e.shift) +
             (e.shift & ssDouble ? " double" : "");
    case TInputKind::MouseMove: return "move " + Position(e.x, e.y) + ModWords(e.shift);
    case TInputKind::MouseUp:
      return std::string("release ") + ButtonWord(e.button) + " " + Position(e.x, e.y) + ModWords(e.shift);
    case TInputKind::Wheel: {
      const int notches = e.value / 120;
      if (notches == 0) return {};
      return "wheel " + std::to_string(notches) + " " + Position(e.x, e.y) + ModWords(e.shift);
    }
    case TInputKind::KeyDown:
    case TInputKind::KeyUp: {
      const std::string name = ScriptKeyName(e.value);
      if (name.empty()) return "# key " + std::to_string(e.value);
      return e.kind == TInputKind::KeyDown ? "key " + name + ModWords(e.shift) + " down" : "key " + name + " up";
    }
    case TInputKind::FieldKey: return {};
    case TInputKind::ControlText: return "set " + e.name + " " + ScriptQuote(Utf8(e.text));
    case TInputKind::Operation: return std::string("op ") + OpInfo(e.op).name;
    case TInputKind::SubMenu: return "sub " + std::to_string(e.value);
    case TInputKind::Control: {
      std::string s = "press ";  // appended: g++ 12 warns about a literal + string here
      s += e.name;
      if (e.button != ssLeft) s += std::string(" ") + ButtonWord(e.button);
      if (e.hasPos) s += " " + ScriptNumber(e.x) + "," + ScriptNumber(e.y);
      return s + ModWords(e.shift);
    }
    case TInputKind::Menu: return "menu " + e.name;
    case TInputKind::MenuOpen: {
      // The menu's caption without its mnemonic, as scripts name it.
      std::string caption = Utf8(MenuCaption(static_cast<TMenu>(e.value)));
      if (const std::size_t m = caption.rfind("(&"); m != std::string::npos) caption.resize(m);
      std::string s = "menu ";
      s += caption;
      return s;
    }
    case TInputKind::Drop: {
      std::string s = "drop";
      for (const std::string& f : e.files) {
        s += ' ';
        s += ScriptQuote(f);
      }
      return s;
    }
    case TInputKind::Close: return "close";
  }
  return {};
}

void TScriptRecorder::Begin(const TInputEvent& e) {
  inInput_ = true;
  answers_.clear();
  line_ = Line(e);
  // Browsing a history, or picking from the history label, gives what the
  // histories hold, which a replay may not: the result is written too.
  watchField_ = false;
  if (e.kind == TInputKind::FieldKey) {
    watchField_ = true;
    field_ = e.field;
  } else if (e.kind == TInputKind::Control && e.name == "lbComHst") {
    watchField_ = true;
    field_ = TEditField::edCommon;
  }
  if (watchField_) fieldText_ = EditField(field_).text;
}

void TScriptRecorder::End(const TInputEvent&) {
  inInput_ = false;
  for (const std::string& a : answers_) Write(a);
  answers_.clear();
  Write(line_);
  line_.clear();
  if (watchField_ && EditField(field_).text != fieldText_)
    Write(std::string("set ") + FieldName(field_) + " " + ScriptQuote(Utf8(EditField(field_).text)));
  watchField_ = false;
}

void TScriptRecorder::Answer(const std::string& line) {
  if (inInput_)
    answers_.push_back(line);
  else if (started_)
    Write(line);  // asked outside any input (a timer): before whatever comes next
}

MsgAnswer TScriptRecorder::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                      MsgIcon icon) {
  const MsgAnswer a = platform_.MessageBox(text, caption, buttons, icon);
  // A box with one button asks nothing.
  if (!SingleButton(buttons)) Answer(std::string("answer ") + ScriptAnswerWord(a));
  return a;
}

bool TScriptRecorder::OpenFileDialog(TFileDialogRequest& request) {
  const bool ok = platform_.OpenFileDialog(request);
  Answer(ok ? "answer file " + ScriptQuote(request.fileName) + " " + std::to_string(request.filterIndex)
            : std::string("answer file cancel"));
  return ok;
}

bool TScriptRecorder::SaveFileDialog(TFileDialogRequest& request) {
  const bool ok = platform_.SaveFileDialog(request);
  Answer(ok ? "answer file " + ScriptQuote(request.fileName) + " " + std::to_string(request.filterIndex)
            : std::string("answer file cancel"));
  return ok;
}

bool TScriptRecorder::ColorDialog(std::uint32_t& rgb) {
  const bool ok = platform_.ColorDialog(rgb);
  if (!ok) {
    Answer("answer color cancel");
    return false;
  }
  char hex[8];
  const auto r = std::to_chars(hex, hex + sizeof hex, (rgb & 0xFFFFFFu) | 0x1000000u, 16);
  Answer("answer color " + std::string(hex + 1, r.ptr));
  return true;
}

bool TScriptRecorder::PrintDialog(TPrintSetup& setup) {
  const bool ok = platform_.PrintDialog(setup);
  Answer(ok ? "answer print " + ScriptQuote(Utf8(setup.printerName)) + " " + std::to_string(setup.copies) +
                  (setup.landscape ? " landscape " : " portrait ") + std::to_string(setup.paperSize)
            : std::string("answer print cancel"));
  return ok;
}

bool TScriptRecorder::LoadDxfDialog(TLoadDxfForm& form) {
  const bool ok = platform_.LoadDxfDialog(form);
  Answer(ok ? "answer dxf " + ScriptQuote(Utf8(form.scale)) + " " + ScriptQuote(Utf8(form.textZoom)) + " " +
                  std::to_string(form.sizeMode) + (form.dimMove ? " move" : " stay")
            : std::string("answer dxf cancel"));
  return ok;
}

// A dialog's state as the dialog actions that set it: its fields and boxes.
void TScriptRecorder::DialogState(std::vector<TDialogControl> controls) {
  for (const TDialogControl& c : controls) {
    if (c.check)
      Answer("dialog check " + c.name + (*c.check ? " on" : " off"));
    else if (c.text && c.name.rfind("lb", 0) != 0)
      Answer("dialog set " + c.name + " " + ScriptQuote(Utf8(*c.text)));
  }
}

// The box counter's dialog: the fields as they were at each press, then
// the press.
bool TScriptRecorder::BoxCounterDialog(TBoxCounterForm& form, const std::function<void(bool colour)>& count) {
  const bool ok = platform_.BoxCounterDialog(form, [&](bool colour) {
    DialogState(form.Controls());
    Answer(colour ? "dialog press BitBtn2" : "dialog press BitBtn1");
    count(colour);
  });
  DialogState(form.Controls());
  return ok;
}

// The pen change dialog: its boxes as the user left them (they stay so
// when it is closed without confirming), then the confirmation if given;
// without it the replayed dialog runs out of actions and is cancelled.
bool TScriptRecorder::PenChangeDialog(TPenChangeForm& form) {
  const bool ok = platform_.PenChangeDialog(form);
  DialogState(form.Controls());
  if (ok) Answer("dialog press BitBtn1");
  return ok;
}

// The number table: its cells, boxes and unit as the user left them, then
// OK if given (without it the replayed dialog is cancelled).
bool TScriptRecorder::NumLinesDialog(TNumLinesForm& form) {
  const bool ok = platform_.NumLinesDialog(form);
  DialogState(form.Controls());
  if (ok) Answer("dialog press btnOK");
  return ok;
}

// The clipboard's text as a paste read it, so that the replay pastes the same
// (line feeds and tabs written as \n and \t).
std::string TScriptRecorder::ClipboardText() {
  const std::string text = platform_.ClipboardText();
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') shown += "\\n";
    else if (text[i] == '\t') shown += "\\t";
    else shown += text[i];
  }
  Answer("clipboard " + ScriptQuote(Utf8(shown)));
  return text;
}

bool TScriptRecorder::InputQuery(const std::string& caption, const std::string& prompt, std::string& text) {
  const bool ok = platform_.InputQuery(caption, prompt, text);
  Answer(ok ? "answer text " + ScriptQuote(Utf8(text)) : std::string("answer text cancel"));
  return ok;
}
