// Text input in the real main window on a real X server (Xvfb), with no
// input method: Japanese committed to the field as an input method commits
// it (no key event), typed keys, and text pasted from the clipboard reach
// the text field and, placed by a click, the drawing.
//
// usage: gui_text_xdotool   (run under xvfb-run; exits 0 on success)
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QElapsedTimer>
#include <cstdio>
#include <string>

#include "Velmo.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "kernel/Platform.h"
#include "kernel/SjisConv.h"
#include "model/GC_DB.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/QtRasterHelper.h"
#include "platform/qt/TForm1.h"
#include "XdoSteps.h"

namespace {

std::string Texts() {
  std::string out;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellLive(i) && GcellRef(i).kind == GK_TEXT) out += GcellRef(i).text.str() + "|";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  VelmoReset();
  QtPlatform platform;
  SetPlatform(&platform);
  InstallQtRasterHelper();
  {
    TForm1 window;
    ShowWindow(window, platform);
    TPaintBox* box = window.paintBox();
    const QPoint o = box->mapToGlobal(QPoint(0, 0));

    TSpeedButton* moji = window.speedButton(OpBtn_Moji);
    Check(ClickAt(moji->mapToGlobal(moji->rect().center()), 1), "xdotool clicks the text button");
    Check(CurOpButton() == OpBtn_Moji && g_form1.PvMoji.visible, "text input with its panel");
    Pump(200);

    // Into the text field, as a user clicks into it.
    auto* field = window.findChild<QComboBox*>(QStringLiteral("EbMojiT"));
    Check(field != nullptr, "the text field is there");
    if (field) ClickAt(field->mapToGlobal(QPoint(20, field->height() / 2)), 1);
    // What an input method hands the field when the user commits "図面":
    // a commit string, with no key event; then "abc" as keys.
    if (field) {
      QInputMethodEvent commit;
      commit.setCommitString(QString::fromUtf8("図面"));
      QCoreApplication::sendEvent(field->lineEdit(), &commit);
    }
    Pump(100);
    const bool typed = Xdo({"type", "--delay", "60", QStringLiteral("abc")});
    Check(typed, "xdotool types after the commit");
    Pump(200);
    Check(g_form1.EbMojiT.text == Utf8ToSjis("図面abc"), "the field holds the typed Japanese (" + SjisToUtf8(g_form1.EbMojiT.text) + ")");
    ClickAt(o + QPoint(300, 300), 1);
    Check(Texts() == Utf8ToSjis("図面abc") + "|", "the click stores it");

    QGuiApplication::clipboard()->setText(QString::fromUtf8("寸法"));
    Pump(100);
    Check(Xdo({"key", "ctrl+v"}), "xdotool pastes");
    Pump(200);
    Check(g_form1.EbMojiT.text == Utf8ToSjis("寸法"), "the field holds the pasted text");
    Check(Xdo({"key", "Return"}), "xdotool presses Enter");
    Check(Texts() == Utf8ToSjis("図面abc") + "|", "Enter with nothing placed stores nothing");
    ClickAt(o + QPoint(300, 500), 1);
    Check(Texts() == Utf8ToSjis("図面abc") + "|" + Utf8ToSjis("寸法") + "|", "the pasted text is placed");

    platform.SetMainWindow(nullptr);
    platform.SetAfterTick({});
  }
  VelmoReset();
  SetPlatform(nullptr);
  const int rc = g_failures ? 1 : 0;
  std::printf("%s\n", rc ? "FAILED" : "PASSED");
  return rc;
}
