#pragma once

#include <QString>

#include "files/settings_text_file.h"
#include "model/controller.h"

namespace quorvane {

inline const QString kWrongFileTypeMessage = QStringLiteral("Wrong file type.");
// Section of both settings files that holds the MIDI keys and the dump request string.
inline const QString kMidiSettingsSection = QStringLiteral("MIDI Settings");

// False when "File Type" is absent or is exactly "wrong file type": the file holds no settings
// this program wrote (an empty file, random bytes, UTF-16 text, another program's file).
bool HasValidFileType(const SettingsTextFile& file);

// Reads the 120 definitions and the dump request string. Refuses with "Wrong file type." and
// changes nothing when HasValidFileType says no. Controller numbers and values above 127 read as
// 127 and channels above 16 as 0 (the global channel), so no illegal MIDI goes out.
FileStatus ReadSliderSettings(const SettingsTextFile& file, TPageSet& defs,
                              QString& dump_request_string);

// Writes "Application Settings", the dump request string and the 120 definitions into the
// in-memory file; the caller saves it.
void WriteSliderSettings(SettingsTextFile& file, const TPageSet& defs,
                         const QString& dump_request_string);

}  // namespace quorvane
