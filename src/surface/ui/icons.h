#pragma once

#include <QIcon>
#include <QPalette>
#include <QString>

namespace quorvane {

// Tool button and menu glyphs, drawn at run time so the program needs no image files.
// `name` is the button's object name (e.g. "btnFileOpen"); unknown names get a plain square.
// Glyphs of one colour take the palette's window text colour: tool bands are drawn in the
// window colour.
QIcon ToolIcon(const QString& name, const QPalette& palette);

// The small glyph that all 24 slot toggle buttons share.
QIcon SlotButtonIcon();

}  // namespace quorvane
