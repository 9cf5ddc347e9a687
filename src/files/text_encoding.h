#pragma once

#include <QByteArray>
#include <QString>

namespace quorvane {

// The 8-bit code page that files written on Windows use for Western languages.
QString FromWindows1252(const QByteArray& bytes);
// A character the code page cannot store becomes "?".
QByteArray ToWindows1252(const QString& text);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const char* p, const char* end);

}  // namespace quorvane
