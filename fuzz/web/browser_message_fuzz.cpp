// Any text from a page into the browser surface's message parser: whatever reaches the surface
// commands is in range, and nothing longer than the bound gets through.
#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

#include "../support/checking_commands.h"
#include "web/browser_protocol.h"

namespace {

using namespace quorvane;

void Check(bool ok, const char* what) {
  if (!ok) fuzz::Fail("browser message", what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView text(data, static_cast<qsizetype>(size));
  const std::optional<BrowserCommand> command = ParseBrowserMessage(text);
  if (!command) return 0;
  Check(size <= static_cast<std::size_t>(kMaxBrowserMessage), "a long message taken");
  fuzz::CheckingCommands commands("browser message", {});
  ApplyBrowserCommand(*command, commands, 1);
  return 0;
}
