// Conversions between Qt's values and the core's: key codes, shift states,
// cursor shapes, pictures, file-dialog filters and the byte positions of
// Shift-JIS captions on the screen.
#pragma once

#include <QColor>
#include <QCursor>
#include <QFontMetrics>
#include <QImage>
#include <QStringList>
#include <cstdint>
#include <string>

#include "kernel/Platform.h"

// The virtual-key code the core's key handlers expect (Enter 13, Esc 27,
// arrows 37..40, digits 48..57, letters 65..90, keypad digits 96..105, F1
// 112 ...), or 0 for a key the core has no code for.
int QtKeyToVk(int qtKey, Qt::KeyboardModifiers mods);

// The core's shift-state bits (ssShift, ssAlt, ssCtrl, ssLeft, ssRight,
// ssMiddle) of a modifier and button state.
unsigned ShiftBits(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons);
// The core's bit (ssLeft, ssRight, ssMiddle) of one mouse button, 0 for others.
unsigned ButtonBit(Qt::MouseButton b);

Qt::CursorShape QtCursorShape(CursorShape shape);
// The cursor of a shape: Qt's own, or for the program's own cursors 1 and 2
// (the two ends of a segment being given) a cross with a small "1" or "2".
QCursor QtCursor(CursorShape shape);

// An opaque colour of the core's 0xRRGGBB.
QColor Rgb(std::uint32_t rgb);

// Pixels 0xAARRGGBB both ways (QImage::Format_ARGB32 holds the same words).
QImage ToQImage(const TRasterImage& image);
TRasterImage FromQImage(const QImage& image);

// A filter "desc|pattern|desc|pattern" (CP932, patterns separated by ';')
// as Qt's list of "desc (pattern pattern)".
QStringList FilterToQt(const std::string& filter);

// The byte index, in the CP932 text, of the character drawn under x pixels
// from the left edge of the text in font fm; text.size() when x lies past
// the end, 0 when before the start.
int ByteIndexAt(const std::string& sjis, const QFontMetrics& fm, int x);
