#include "bridge/dump_request_command.h"

#include "files/dump_request.h"

namespace quorvane {

bool DumpRequestCommand::Click() {
  if (dump_request_string_.isEmpty()) {
    Edit();
    return false;
  }
  const auto bytes = ParseSysexString(dump_request_string_);
  return bytes && link_.SendSysex(*bytes);
}

bool DumpRequestCommand::Edit() {
  return EditDumpRequestString(dump_request_string_, ui_);
}

}  // namespace quorvane
