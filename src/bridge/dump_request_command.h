#pragma once

#include <QString>

#include "bridge/surface_midi_link.h"
#include "files/file_interaction.h"

namespace quorvane {

// The "Dump Request" button and its edit item: the stored string goes out as one
// system-exclusive message; an empty one is edited instead.
class DumpRequestCommand {
 public:
  DumpRequestCommand(SurfaceMidiLink& link, QString& dump_request_string, FileInteraction& ui)
      : link_(link), dump_request_string_(dump_request_string), ui_(ui) {}

  // Sends the string; an empty one opens the input box and sends nothing, so the next click
  // sends. A string that does not parse sends nothing and says nothing. True when sent.
  bool Click();
  // The input box; true when a new string was stored.
  bool Edit();

 private:
  SurfaceMidiLink& link_;
  QString& dump_request_string_;
  FileInteraction& ui_;
};

}  // namespace quorvane
