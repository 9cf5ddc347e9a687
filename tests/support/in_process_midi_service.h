#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "midi/midi_service.h"
#include "midi/sysex_filler.h"

namespace quorvane {

// An in-memory MIDI service for tests. Devices are names in two lists; every message sent is
// recorded per output device; received data is injected by the test and delivered through the
// driver callback from the handle's own thread, as a real service does. Every call can be made
// to fail with a chosen code.
class InProcessMidiService : public MidiService {
 public:
  enum class Call {
    OutputDeviceCaps,
    OutputOpen,
    OutputClose,
    OutputShortMessage,
    OutputPrepareHeader,
    OutputLongMessage,
    OutputUnprepareHeader,
    OutputDrain,
    InputDeviceCaps,
    InputOpen,
    InputClose,
    InputStart,
    InputReset,
    InputPrepareHeader,
    InputAddBuffer,
    InputUnprepareHeader,
  };
  static constexpr std::size_t kCallKinds = 16;

  // One message as it left an output: a packed short word or a sysex block.
  struct Sent {
    bool sysex = false;
    std::uint32_t word = 0;
    std::vector<std::uint8_t> bytes;
  };

  InProcessMidiService(std::vector<std::string> inputs, std::vector<std::string> outputs);
  ~InProcessMidiService() override;

  // ---- Configuration ----
  void SetUnavailable(std::string reason);  // lists become empty, every open fails
  // The system goes away under the program: unavailable, and the notice handler is told.
  void LoseSystem(const std::string& notice);
  void RestoreSystem();                                 // available again
  void SetMapperName(std::optional<std::string> name);  // none: id -1 is refused
  void AddInputDevice(std::string name);
  void AddOutputDevice(std::string name);
  // The device disappears from the list; handles open on it answer kMidiNoDevice from now on
  // (reset, unprepare and close still succeed so that ports can let go).
  void RemoveInputDevice(unsigned id);
  void RemoveOutputDevice(unsigned id);
  // From now on adding or removing a device calls the devices-changed handler, on the caller's
  // thread, as a service that watches its devices does.
  void AnnounceDeviceChanges(bool on) { announce_ = on; }
  // Removes every input and output device of these names at once, as a client that quits
  // takes its ports along; announced once.
  void RemoveDevicesNamed(const std::vector<std::string>& names);

  // ---- Faults ----
  // The next `times` calls of `call` (after `skip` successful ones) return `code`; times < 0
  // means for ever.
  void FailCall(Call call, MidiResult code, int times = 1, int skip = 0);
  void ClearFailures();
  void SetErrorTextFails(bool fails);
  // Keep sysex blocks sent from here on unreported until ReleaseOutputDone or a drain.
  void HoldOutputDone(bool hold);
  void ReleaseOutputDone();

  // ---- Observation ----
  std::vector<Sent> SentTo(const std::string& output_name) const;
  std::vector<std::uint32_t> ShortsSentTo(const std::string& output_name) const;
  std::vector<std::vector<std::uint8_t>> SysexSentTo(const std::string& output_name) const;
  int CallCount(Call call) const;
  std::size_t OpenHandleCount() const;
  // Buffers queued (waiting to be filled) on every open handle of input device `id`.
  std::size_t QueuedBufferCount(unsigned input_id) const;

  // ---- Input injection (any thread) ----
  // Delivered to every started handle of input device `id`; dropped when none is started.
  // Without a time stamp, the ms since the handle was started.
  void InjectShort(unsigned input_id, std::uint32_t word,
                   std::optional<std::uint32_t> timestamp = std::nullopt);
  // Fills queued buffers in turn as the real services do (SysexFiller); an empty block hands
  // back one buffer with 0 bytes recorded.
  void InjectSysex(unsigned input_id, std::vector<std::uint8_t> bytes, bool broken = false);
  // Returns once everything injected or sent so far has gone through the callback.
  void WaitIdle();

  // ---- MidiService ----
  bool Available() const override;
  void SetNoticeHandler(std::function<void(const std::string&)> handler) override {
    notice_handler_ = std::move(handler);
  }
  std::string UnavailableReason() const override;
  void SetDevicesChangedHandler(std::function<void()> handler) override {
    devices_changed_ = std::move(handler);
  }
  std::uint32_t OutputDeviceCount() override;
  MidiResult OutputDeviceCaps(int id, MidiOutputCaps& caps) override;
  MidiResult OutputOpen(MidiHandle& handle, int id, MidiDriverCallback callback,
                        void* instance) override;
  MidiResult OutputClose(MidiHandle handle) override;
  MidiResult OutputShortMessage(MidiHandle handle, std::uint32_t word) override;
  MidiResult OutputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult OutputLongMessage(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult OutputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult OutputDrain(MidiHandle handle) override;
  MidiResult OutputErrorText(MidiResult code, std::string& text) override;
  std::uint32_t InputDeviceCount() override;
  MidiResult InputDeviceCaps(unsigned id, MidiInputCaps& caps) override;
  MidiResult InputOpen(MidiHandle& handle, unsigned id, MidiDriverCallback callback,
                       void* instance) override;
  MidiResult InputClose(MidiHandle handle) override;
  MidiResult InputStart(MidiHandle handle) override;
  MidiResult InputReset(MidiHandle handle) override;
  MidiResult InputPrepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputAddBuffer(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputUnprepareHeader(MidiHandle handle, MidiBufferHeader& header) override;
  MidiResult InputErrorText(MidiResult code, std::string& text) override;

 private:
  // The service's own thread for one handle: runs posted work in order.
  class Worker {
   public:
    Worker();
    ~Worker();
    // Drops work not yet started and joins; later Posts are ignored.
    void Stop();
    void Post(std::function<void()> work);
    void WaitIdle();

   private:
    void Run();
    std::mutex mu_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
  };

  struct Device {
    std::string name;
    std::uint64_t key = 0;
  };

  struct Handle {
    bool input = false;
    std::uint64_t device_key = 0;
    std::string device_name;
    MidiDriverCallback callback = nullptr;
    void* instance = nullptr;
    bool gone = false;
    bool started = false;
    std::uint64_t start_ms = 0;
    std::deque<MidiBufferHeader*> queued;  // input buffers waiting to be filled
    std::vector<MidiBufferHeader*> held;   // output blocks not yet reported
    std::shared_ptr<Worker> worker;
  };

  struct Failure {
    MidiResult code = kMidiNoError;
    int times = 0;
    int skip = 0;
  };

  MidiResult Enter(Call call);  // counts the call, answers an injected failure; mu_ held
  Handle* Find(MidiHandle handle, bool input);  // mu_ held
  // Enter(call), then the open handle h, whose device must still be there.
  MidiResult EnterLive(Call call, MidiHandle h, bool input, Handle*& handle);
  // Prepare for either direction: the same checks and flag.
  MidiResult PrepareHeader(Call call, MidiHandle h, bool input, MidiBufferHeader& header);
  class Queued;
  void DeliverSysex(MidiHandle handle, const std::vector<std::uint8_t>& bytes, bool broken);
  void ReportDone(MidiHandle handle, MidiBufferHeader* header);
  static std::uint64_t NowMs();

  mutable std::mutex mu_;
  std::vector<Device> inputs_;
  std::vector<Device> outputs_;
  std::optional<std::string> mapper_name_ = std::string("MIDI Mapper");
  std::string unavailable_reason_;
  std::function<void(const std::string&)> notice_handler_;
  std::function<void()> devices_changed_;
  bool announce_ = false;
  void Announce() {
    if (announce_ && devices_changed_) devices_changed_();
  }
  std::uint64_t next_key_ = 1;
  MidiHandle next_handle_ = 1;
  std::map<MidiHandle, std::unique_ptr<Handle>> handles_;
  std::map<std::string, std::vector<Sent>> sent_;
  std::array<Failure, kCallKinds> failures_{};
  std::array<int, kCallKinds> calls_{};
  bool error_text_fails_ = false;
  bool hold_output_done_ = false;
};

}  // namespace quorvane
