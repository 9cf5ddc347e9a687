#pragma once

#include <QString>
#include <array>

namespace quorvane {

// What the first panel of the status bar tells when no hint is shown. Each source keeps its
// own line, so a notice arriving from one does not wipe out another's; the most important
// line is the one shown, and all of them can be read together.
class StatusNotices {
 public:
  // Most important first: a passing notice ("7 MIDI messages lost") shows over the settings
  // being in use elsewhere, over the state of the MIDI system, over news of a chosen device.
  enum class Source { kPassing, kSettings, kSystem, kDevice };

  // An empty text takes the source's line away.
  void Set(Source source, const QString& text);
  // The most important line, or empty.
  QString Shown() const;
  // Every line, most important first, one a line.
  QString All() const;

 private:
  std::array<QString, 4> lines_;
};

}  // namespace quorvane
