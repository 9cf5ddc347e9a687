#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "files/file_interaction.h"

namespace quorvane {

inline const QString kDumpRequestCaption = QStringLiteral("Dump Request String");
inline const QString kDumpRequestPrompt = QStringLiteral("Enter the sysex string (F0 .. .. F7).");

// The longest message the output sends, and room for its text ("F0 01 .. F7", a blank after
// each byte, tokens of up to three digits) in the settings files.
inline constexpr qsizetype kMaxSysexBytes = 65535;
inline constexpr qsizetype kMaxDumpRequestTextLength = 4 * kMaxSysexBytes;

// The bytes of a dump request text: hexadecimal tokens separated by single blanks, each
// keeping its low byte. Nullopt for an empty text, an empty token, anything not hex, more
// than kMaxSysexBytes bytes, and a message that starts with F0 without ending in F7 (a cut
// one would leave the device waiting for its end).
std::optional<std::vector<std::uint8_t>> ParseSysexString(const QString& text);

// The input box for the dump request string. A valid entry is stored as typed; an invalid
// one is refused with "Invalid input." and the old string kept. True when it was stored.
bool EditDumpRequestString(QString& dump_request_string, FileInteraction& ui);

}  // namespace quorvane
