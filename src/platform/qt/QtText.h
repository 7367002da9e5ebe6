// Core text (CP932 bytes) to and from Qt strings.
#pragma once

#include <QString>
#include <string>

#include "kernel/SjisConv.h"

inline QString FromSjis(const std::string& s) { return QString::fromStdString(SjisToUtf8(s)); }
inline std::string ToSjis(const QString& s) { return Utf8ToSjis(s.toStdString()); }
