#pragma once

#include <QIcon>
#include <QString>

namespace quorvane {

// Tool button and menu glyphs, drawn at run time so the program needs no image files.
// `name` is the button's object name (e.g. "btnFileOpen"); unknown names get a plain square.
QIcon ToolIcon(const QString& name);

// The small glyph that all 24 slot toggle buttons share.
QIcon SlotButtonIcon();

}  // namespace quorvane
