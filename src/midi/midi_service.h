#pragma once

// The operating system's MIDI service as the two ports see it. Every operation except the
// driver callback runs on the GUI thread; the callback runs on the service's own thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

// Result of a service call: 0 is success, anything else a code that ErrorText can describe.
using MidiResult = std::uint16_t;

// Codes shared by every service, so that ports and tests can name them.
enum MidiResultCode : MidiResult {
  kMidiNoError = 0,
  kMidiError = 1,           // unspecified failure
  kMidiBadDeviceId = 2,     // device index out of range
  kMidiNotEnabled = 3,      // driver failed to enable
  kMidiAllocated = 4,       // device already in use
  kMidiInvalidHandle = 5,   // handle is empty or closed
  kMidiNoDriver = 6,        // no driver installed / device gone
  kMidiNoMemory = 7,        // allocation failed
  kMidiNotSupported = 8,    // operation not supported
  kMidiBadErrorNumber = 9,  // error code out of range (ErrorText's own failure)
  kMidiInvalidFlag = 10,    // invalid flag
  kMidiInvalidParam = 11,   // invalid parameter
  kMidiUnprepared = 64,     // header not prepared
  kMidiStillPlaying = 65,   // buffers still queued
  kMidiNoMap = 66,          // no mapper
  kMidiNotReady = 67,       // device busy
  kMidiNoDevice = 68,       // hardware port gone
  kMidiInvalidSetup = 69,   // bad setup
  kMidiBadOpenMode = 70,    // unsupported open mode
  kMidiDontContinue = 71,   // thru device refused
};

// Standard English text for the codes above. Returns kMidiNoError and sets text, or
// kMidiBadErrorNumber (text untouched) for a code it does not know.
MidiResult StandardMidiErrorText(MidiResult code, std::string& text);

// Opaque device handle; kNoMidiHandle is the empty handle a closed port holds.
using MidiHandle = std::uintptr_t;
inline constexpr MidiHandle kNoMidiHandle = 0;

// Header flag bits, kept by the service in MidiBufferHeader::flags.
enum MidiHeaderFlag : std::uint32_t {
  kMidiHeaderDone = 0x1,      // the service has finished with the buffer
  kMidiHeaderPrepared = 0x2,  // prepared and not yet unprepared
  kMidiHeaderInQueue = 0x4,   // queued with the service
};

// The service's buffer descriptor for system-exclusive data, in both directions.
// The port fills data, buffer_length and user; the service sets bytes_recorded (input) and
// flags. While the service holds a header it may use service_next freely; notice_next belongs
// to the port and the service never touches it.
struct MidiBufferHeader {
  std::uint8_t* data = nullptr;
  std::uint32_t buffer_length = 0;
  std::uint32_t bytes_recorded = 0;
  std::uintptr_t user = 0;  // the owning TMyMidiHdr
  std::uint32_t flags = 0;
  MidiBufferHeader* service_next = nullptr;
  MidiBufferHeader* notice_next = nullptr;
};

// The header rules every service keeps alike.
// Marks the header prepared; one with a length and no data is refused.
MidiResult PrepareHeader(MidiBufferHeader& header);
// Clears the mark; refused while the service still holds the header.
MidiResult UnprepareHeader(MidiBufferHeader& header);
// Whether the header may be handed over: prepared, and not held already.
MidiResult HeaderReady(const MidiBufferHeader& header);
// From now on the service holds the header: queued and not done.
inline void HoldHeader(MidiBufferHeader& header) {
  header.flags = (header.flags & ~std::uint32_t{kMidiHeaderDone}) | kMidiHeaderInQueue;
}
// The service could not take the header after all.
inline void UnholdHeader(MidiBufferHeader& header) {
  header.flags &= ~std::uint32_t{kMidiHeaderInQueue};
}
// The service is done with the header and gives it back.
inline void ReleaseHeader(MidiBufferHeader& header) {
  header.flags = (header.flags | kMidiHeaderDone) & ~std::uint32_t{kMidiHeaderInQueue};
}

// What the driver callback is told; the numbers keep the roles apart, nothing more.
enum class MidiCallbackMessage : std::uint32_t {
  InputOpen = 0x3C1,
  InputClose = 0x3C2,
  InputData = 0x3C3,       // param1 = packed short message, param2 = time stamp (ms)
  InputLongData = 0x3C4,   // param1 = MidiBufferHeader*, param2 = time stamp (ms)
  InputError = 0x3C5,      // param1 = packed invalid message, param2 = time stamp
  InputLongError = 0x3C6,  // like InputLongData, for an incomplete or broken sysex
  OutputOpen = 0x3C7,
  OutputClose = 0x3C8,
  OutputDone = 0x3C9,  // param1 = MidiBufferHeader* the service has finished sending
  InputMoreData = 0x3CC,
};

// Runs on the service's thread. Must not allocate, lock or touch Qt objects.
using MidiDriverCallback = void (*)(MidiHandle handle, MidiCallbackMessage message, void* instance,
                                    std::uintptr_t param1, std::uintptr_t param2);

// Capability records; only the names matter to the program, the rest is copied.
struct MidiOutputCaps {
  std::string name;
  std::uint32_t driver_version = 0;
  std::uint16_t technology = 0;
  std::uint16_t voices = 0;
  std::uint16_t notes = 0;
  std::uint16_t channel_mask = 0;
  std::uint32_t support = 0;
};

struct MidiInputCaps {
  std::string name;
  std::uint16_t manufacturer_id = 0;
  std::uint16_t product_id = 0;
  std::uint32_t driver_version = 0;
};

// Output device id that names the service's mapper.
inline constexpr int kMidiMapperId = -1;

// Caps for device `id` of a service that knows its devices by name only; the mapper's caps
// for kMidiMapperId. kMidiBadDeviceId when `id` is not in `names`.
MidiResult OutputCapsFromNames(const std::vector<std::string>& names, int id, MidiOutputCaps& caps);
MidiResult InputCapsFromNames(const std::vector<std::string>& names, unsigned id,
                              MidiInputCaps& caps);

class MidiService {
 public:
  virtual ~MidiService() = default;

  // False for a service that cannot do anything (its device lists are empty);
  // UnavailableReason then says why in one line, and is empty when usable.
  virtual bool Available() const = 0;
  virtual std::string UnavailableReason() const = 0;

  // ---- Output ----
  virtual std::uint32_t OutputDeviceCount() = 0;
  // id is 0..count-1, or kMidiMapperId. Answer kMidiMapperId with a success too (the default
  // output's caps, or a pseudo device's): the output port's name search starts at -1 and stops
  // at the first error.
  virtual MidiResult OutputDeviceCaps(int id, MidiOutputCaps& caps) = 0;
  // On success handle is set; later OutputDone notices reach callback with instance.
  virtual MidiResult OutputOpen(MidiHandle& handle, int id, MidiDriverCallback callback,
                                void* instance) = 0;
  virtual MidiResult OutputClose(MidiHandle handle) = 0;
  // word = status | data1 << 8 | data2 << 16; only the bytes the status implies go out,
  // in call order.
  virtual MidiResult OutputShortMessage(MidiHandle handle, std::uint32_t word) = 0;
  virtual MidiResult OutputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) = 0;
  // Asynchronous: returns at once; OutputDone with &header comes later on the service's thread.
  virtual MidiResult OutputLongMessage(MidiHandle handle, MidiBufferHeader& header) = 0;
  virtual MidiResult OutputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) = 0;
  // Blocks until everything handed over on handle has left and every OutputDone callback for
  // it has returned.
  virtual MidiResult OutputDrain(MidiHandle handle) = 0;
  virtual MidiResult OutputErrorText(MidiResult code, std::string& text) = 0;

  // ---- Input ----
  virtual std::uint32_t InputDeviceCount() = 0;
  virtual MidiResult InputDeviceCaps(unsigned id, MidiInputCaps& caps) = 0;
  // On success handle is set; every later InputData / InputLongData / InputLongError reaches
  // callback with instance. No input flows before InputStart.
  virtual MidiResult InputOpen(MidiHandle& handle, unsigned id, MidiDriverCallback callback,
                               void* instance) = 0;
  // No callbacks for handle after this returns.
  virtual MidiResult InputClose(MidiHandle handle) = 0;
  // Time stamps count in ms from this call.
  virtual MidiResult InputStart(MidiHandle handle) = 0;
  // Stops input and hands every queued buffer back (InputLongData, bytes_recorded as far as
  // filled) before returning.
  virtual MidiResult InputReset(MidiHandle handle) = 0;
  virtual MidiResult InputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) = 0;
  // Queues a prepared buffer. The service fills queued buffers in order with received
  // system-exclusive bytes and hands each back with bytes_recorded set once it is full or the
  // message has ended; a longer message continues in the next queued buffer.
  virtual MidiResult InputAddBuffer(MidiHandle handle, MidiBufferHeader& header) = 0;
  virtual MidiResult InputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) = 0;
  virtual MidiResult InputErrorText(MidiResult code, std::string& text) = 0;

  // ---- Optional ----
  // The name the next port opened on this service shows to other programs ("MIDI Out",
  // "MIDI In 1", "Remote In"); services without named ports ignore it.
  virtual void SetNextPortName(const std::string& /*name*/) {}
  // One line for the user when the system changes under the program (a JACK server that
  // stops), delivered on the thread that made the service.
  // NOLINTNEXTLINE(performance-unnecessary-value-param): services that use it keep it
  virtual void SetNoticeHandler(std::function<void(const std::string&)> /*handler*/) {}
  // Called on the thread that made the service whenever its device lists may have changed (a
  // device, port or client came or went). Services that cannot tell never call it.
  // NOLINTNEXTLINE(performance-unnecessary-value-param): services that use it keep it
  virtual void SetDevicesChangedHandler(std::function<void()> /*handler*/) {}
  // A service that places each message on a clock of its own can take a paced message ahead
  // of time: a sender hands it over up to OutputScheduleLead() early, after telling the moment
  // it is due (steady clock). The moment applies to the next message on handle only. Services
  // that send at once answer zero and ignore the moment.
  virtual std::chrono::microseconds OutputScheduleLead() const { return {}; }
  virtual void OutputSetNextDue(MidiHandle /*handle*/,
                                std::chrono::steady_clock::time_point /*due*/) {}
};

}  // namespace quorvane
