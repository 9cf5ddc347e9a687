#include "support/in_process_midi_service.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace quorvane {

// ---- Worker ----

InProcessMidiService::Worker::Worker() : thread_([this] { Run(); }) {}

InProcessMidiService::Worker::~Worker() {
  Stop();
}

void InProcessMidiService::Worker::Stop() {
  bool first = false;
  {
    std::lock_guard lock(mu_);
    first = !stopping_;
    stopping_ = true;
    queue_.clear();
  }
  cv_.notify_all();
  if (first && thread_.joinable()) thread_.join();
}

void InProcessMidiService::Worker::Post(std::function<void()> work) {
  {
    std::lock_guard lock(mu_);
    if (stopping_) return;
    queue_.push_back(std::move(work));
  }
  cv_.notify_all();
}

void InProcessMidiService::Worker::WaitIdle() {
  std::unique_lock lock(mu_);
  cv_.wait(lock, [this] { return stopping_ || (queue_.empty() && !busy_); });
}

void InProcessMidiService::Worker::Run() {
  std::unique_lock lock(mu_);
  for (;;) {
    cv_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) break;
    std::function<void()> work = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    work();
    lock.lock();
    busy_ = false;
    cv_.notify_all();
  }
  busy_ = false;
  cv_.notify_all();
}

// ---- Service ----

InProcessMidiService::InProcessMidiService(std::vector<std::string> inputs,
                                           std::vector<std::string> outputs) {
  for (auto& name : inputs) inputs_.push_back({std::move(name), next_key_++});
  for (auto& name : outputs) outputs_.push_back({std::move(name), next_key_++});
}

InProcessMidiService::~InProcessMidiService() {
  std::vector<std::shared_ptr<Worker>> workers;
  {
    std::lock_guard lock(mu_);
    for (auto& [id, handle] : handles_) workers.push_back(handle->worker);
  }
  for (auto& worker : workers) worker->Stop();
}

std::uint64_t InProcessMidiService::NowMs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

void InProcessMidiService::SetUnavailable(std::string reason) {
  std::lock_guard lock(mu_);
  unavailable_reason_ = reason.empty() ? std::string("MIDI is not available") : std::move(reason);
}

void InProcessMidiService::SetMapperName(std::optional<std::string> name) {
  std::lock_guard lock(mu_);
  mapper_name_ = std::move(name);
}

void InProcessMidiService::AddInputDevice(std::string name) {
  {
    std::lock_guard lock(mu_);
    inputs_.push_back({std::move(name), next_key_++});
  }
  Announce();
}

void InProcessMidiService::AddOutputDevice(std::string name) {
  {
    std::lock_guard lock(mu_);
    outputs_.push_back({std::move(name), next_key_++});
  }
  Announce();
}

void InProcessMidiService::RemoveInputDevice(unsigned id) {
  {
    std::lock_guard lock(mu_);
    if (id >= inputs_.size()) return;
    const std::uint64_t key = inputs_[id].key;
    inputs_.erase(inputs_.begin() + id);
    for (auto& [h, handle] : handles_) {
      if (handle->input && handle->device_key == key) handle->gone = true;
    }
  }
  Announce();
}

void InProcessMidiService::RemoveOutputDevice(unsigned id) {
  {
    std::lock_guard lock(mu_);
    if (id >= outputs_.size()) return;
    const std::uint64_t key = outputs_[id].key;
    outputs_.erase(outputs_.begin() + id);
    for (auto& [h, handle] : handles_) {
      if (!handle->input && handle->device_key == key) handle->gone = true;
    }
  }
  Announce();
}

void InProcessMidiService::RemoveDevicesNamed(const std::vector<std::string>& names) {
  const bool announce = std::exchange(announce_, false);
  auto named = [&names](const Device& d) {
    return std::find(names.begin(), names.end(), d.name) != names.end();
  };
  auto first_named = [&](const std::vector<Device>& list) -> int {
    std::lock_guard lock(mu_);
    const auto it = std::find_if(list.begin(), list.end(), named);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
  };
  for (int id = first_named(inputs_); id >= 0; id = first_named(inputs_))
    RemoveInputDevice(static_cast<unsigned>(id));
  for (int id = first_named(outputs_); id >= 0; id = first_named(outputs_))
    RemoveOutputDevice(static_cast<unsigned>(id));
  announce_ = announce;
  Announce();
}

void InProcessMidiService::FailCall(Call call, MidiResult code, int times, int skip) {
  std::lock_guard lock(mu_);
  failures_[static_cast<std::size_t>(call)] = {code, times, skip};
}

void InProcessMidiService::ClearFailures() {
  std::lock_guard lock(mu_);
  failures_.fill({});
}

void InProcessMidiService::SetErrorTextFails(bool fails) {
  std::lock_guard lock(mu_);
  error_text_fails_ = fails;
}

void InProcessMidiService::HoldOutputDone(bool hold) {
  std::lock_guard lock(mu_);
  hold_output_done_ = hold;
}

void InProcessMidiService::ReleaseOutputDone() {
  std::lock_guard lock(mu_);
  for (auto& [h, handle] : handles_) {
    for (MidiBufferHeader* header : handle->held) {
      handle->worker->Post([this, h = h, header] { ReportDone(h, header); });
    }
    handle->held.clear();
  }
}

std::vector<InProcessMidiService::Sent> InProcessMidiService::SentTo(
    const std::string& output_name) const {
  std::lock_guard lock(mu_);
  const auto it = sent_.find(output_name);
  return it == sent_.end() ? std::vector<Sent>{} : it->second;
}

std::vector<std::uint32_t> InProcessMidiService::ShortsSentTo(
    const std::string& output_name) const {
  std::vector<std::uint32_t> words;
  for (const Sent& sent : SentTo(output_name)) {
    if (!sent.sysex) words.push_back(sent.word);
  }
  return words;
}

std::vector<std::vector<std::uint8_t>> InProcessMidiService::SysexSentTo(
    const std::string& output_name) const {
  std::vector<std::vector<std::uint8_t>> blocks;
  for (const Sent& sent : SentTo(output_name)) {
    if (sent.sysex) blocks.push_back(sent.bytes);
  }
  return blocks;
}

int InProcessMidiService::CallCount(Call call) const {
  std::lock_guard lock(mu_);
  return calls_[static_cast<std::size_t>(call)];
}

std::size_t InProcessMidiService::OpenHandleCount() const {
  std::lock_guard lock(mu_);
  return handles_.size();
}

std::size_t InProcessMidiService::QueuedBufferCount(unsigned input_id) const {
  std::lock_guard lock(mu_);
  if (input_id >= inputs_.size()) return 0;
  std::size_t queued = 0;
  for (const auto& [h, handle] : handles_) {
    if (handle->input && handle->device_key == inputs_[input_id].key) {
      queued += handle->queued.size();
    }
  }
  return queued;
}

MidiResult InProcessMidiService::Enter(Call call) {
  const auto index = static_cast<std::size_t>(call);
  ++calls_[index];
  Failure& failure = failures_[index];
  if (failure.times == 0) return kMidiNoError;
  if (failure.skip > 0) {
    --failure.skip;
    return kMidiNoError;
  }
  if (failure.times > 0) --failure.times;
  return failure.code;
}

InProcessMidiService::Handle* InProcessMidiService::Find(MidiHandle handle, bool input) {
  const auto it = handles_.find(handle);
  if (it == handles_.end() || it->second->input != input) return nullptr;
  return it->second.get();
}

MidiResult InProcessMidiService::EnterLive(Call call, MidiHandle h, bool input, Handle*& handle) {
  if (MidiResult r = Enter(call)) return r;
  handle = Find(h, input);
  if (handle == nullptr) return kMidiInvalidHandle;
  if (handle->gone) return kMidiNoDevice;
  return kMidiNoError;
}

void InProcessMidiService::InjectShort(unsigned input_id, std::uint32_t word,
                                       std::optional<std::uint32_t> timestamp) {
  std::lock_guard lock(mu_);
  if (input_id >= inputs_.size()) return;
  const std::uint64_t key = inputs_[input_id].key;
  for (auto& [h, handle] : handles_) {
    if (!handle->input || handle->device_key != key || !handle->started || handle->gone) continue;
    handle->worker->Post([this, h = h, word, timestamp] {
      MidiDriverCallback callback = nullptr;
      void* instance = nullptr;
      std::uint32_t stamp = 0;
      {
        std::lock_guard inner(mu_);
        Handle* target = Find(h, true);
        if (target == nullptr || !target->started || target->gone) return;
        callback = target->callback;
        instance = target->instance;
        stamp = timestamp ? *timestamp : static_cast<std::uint32_t>(NowMs() - target->start_ms);
      }
      callback(h, MidiCallbackMessage::InputData, instance, word, stamp);
    });
  }
}

void InProcessMidiService::InjectSysex(unsigned input_id, std::vector<std::uint8_t> bytes,
                                       bool broken) {
  std::lock_guard lock(mu_);
  if (input_id >= inputs_.size()) return;
  const std::uint64_t key = inputs_[input_id].key;
  for (auto& [h, handle] : handles_) {
    if (!handle->input || handle->device_key != key || !handle->started || handle->gone) continue;
    handle->worker->Post([this, h = h, bytes, broken] { DeliverSysex(h, bytes, broken); });
  }
}

// The queued buffers of one input handle, taken and given back under the lock; the callback
// runs outside it. While filling, a handle that stopped or lost its device has none left.
class InProcessMidiService::Queued final : public SysexFiller::Buffers {
 public:
  Queued(InProcessMidiService& service, MidiHandle h, bool filling)
      : service_(service), h_(h), filling_(filling) {}

  MidiBufferHeader* Next() override {
    std::lock_guard lock(service_.mu_);
    Handle* handle = service_.Find(h_, true);
    if (handle == nullptr || handle->queued.empty()) return nullptr;
    if (filling_ && (!handle->started || handle->gone)) return nullptr;
    MidiBufferHeader* header = handle->queued.front();
    handle->queued.pop_front();
    return header;
  }

  void Give(MidiBufferHeader& header, MidiCallbackMessage message) override {
    MidiDriverCallback callback = nullptr;
    void* instance = nullptr;
    std::uint32_t stamp = 0;
    {
      std::lock_guard lock(service_.mu_);
      Handle* handle = service_.Find(h_, true);
      if (handle == nullptr) return;
      callback = handle->callback;
      instance = handle->instance;
      stamp = static_cast<std::uint32_t>(NowMs() - handle->start_ms);
    }
    callback(h_, message, instance, reinterpret_cast<std::uintptr_t>(&header), stamp);
  }

 private:
  InProcessMidiService& service_;
  MidiHandle h_;
  bool filling_;
};

void InProcessMidiService::DeliverSysex(MidiHandle h, const std::vector<std::uint8_t>& bytes,
                                        bool broken) {
  Queued queued(*this, h, true);
  SysexFiller filler;
  filler.Add(bytes.data(), bytes.size(), queued);
  filler.End(!broken, queued);
}

void InProcessMidiService::ReportDone(MidiHandle h, MidiBufferHeader* header) {
  MidiDriverCallback callback = nullptr;
  void* instance = nullptr;
  {
    std::lock_guard lock(mu_);
    Handle* handle = Find(h, false);
    if (handle == nullptr) return;
    ReleaseHeader(*header);
    callback = handle->callback;
    instance = handle->instance;
  }
  callback(h, MidiCallbackMessage::OutputDone, instance, reinterpret_cast<std::uintptr_t>(header),
           0);
}

void InProcessMidiService::WaitIdle() {
  std::vector<std::shared_ptr<Worker>> workers;
  {
    std::lock_guard lock(mu_);
    for (auto& [h, handle] : handles_) workers.push_back(handle->worker);
  }
  for (auto& worker : workers) worker->WaitIdle();
}

void InProcessMidiService::LoseSystem(const std::string& notice) {
  SetUnavailable(notice);
  if (notice_handler_) notice_handler_(notice);
}

void InProcessMidiService::RestoreSystem() {
  std::lock_guard lock(mu_);
  unavailable_reason_.clear();
}

bool InProcessMidiService::Available() const {
  std::lock_guard lock(mu_);
  return unavailable_reason_.empty();
}

std::string InProcessMidiService::UnavailableReason() const {
  std::lock_guard lock(mu_);
  return unavailable_reason_;
}

// ---- Output ----

std::uint32_t InProcessMidiService::OutputDeviceCount() {
  std::lock_guard lock(mu_);
  return unavailable_reason_.empty() ? static_cast<std::uint32_t>(outputs_.size()) : 0;
}

MidiResult InProcessMidiService::OutputDeviceCaps(int id, MidiOutputCaps& caps) {
  std::lock_guard lock(mu_);
  if (MidiResult r = Enter(Call::OutputDeviceCaps)) return r;
  if (!unavailable_reason_.empty()) return kMidiBadDeviceId;
  if (id == kMidiMapperId) {
    if (!mapper_name_) return kMidiNoMap;
    caps = MidiOutputCaps{};
    caps.name = *mapper_name_;
    return kMidiNoError;
  }
  if (id < 0 || static_cast<std::size_t>(id) >= outputs_.size()) return kMidiBadDeviceId;
  caps = MidiOutputCaps{};
  caps.name = outputs_[static_cast<std::size_t>(id)].name;
  caps.channel_mask = 0xFFFF;
  return kMidiNoError;
}

MidiResult InProcessMidiService::OutputOpen(MidiHandle& handle, int id, MidiDriverCallback callback,
                                            void* instance) {
  std::lock_guard lock(mu_);
  if (MidiResult r = Enter(Call::OutputOpen)) return r;
  if (!unavailable_reason_.empty()) return kMidiNoDriver;
  auto opened = std::make_unique<Handle>();
  if (id == kMidiMapperId) {
    if (!mapper_name_) return kMidiNoMap;
    opened->device_name = *mapper_name_;
  } else if (id < 0 || static_cast<std::size_t>(id) >= outputs_.size()) {
    return kMidiBadDeviceId;
  } else {
    opened->device_key = outputs_[static_cast<std::size_t>(id)].key;
    opened->device_name = outputs_[static_cast<std::size_t>(id)].name;
  }
  opened->callback = callback;
  opened->instance = instance;
  opened->worker = std::make_shared<Worker>();
  handle = next_handle_++;
  handles_[handle] = std::move(opened);
  return kMidiNoError;
}

MidiResult InProcessMidiService::OutputClose(MidiHandle h) {
  std::shared_ptr<Worker> worker;
  {
    std::lock_guard lock(mu_);
    if (MidiResult r = Enter(Call::OutputClose)) return r;
    Handle* handle = Find(h, false);
    if (handle == nullptr) return kMidiInvalidHandle;
    worker = handle->worker;
    handles_.erase(h);
  }
  worker->Stop();  // no done report after close
  return kMidiNoError;
}

MidiResult InProcessMidiService::OutputShortMessage(MidiHandle h, std::uint32_t word) {
  std::lock_guard lock(mu_);
  Handle* handle = nullptr;
  if (MidiResult r = EnterLive(Call::OutputShortMessage, h, false, handle)) return r;
  sent_[handle->device_name].push_back({false, word, {}});
  return kMidiNoError;
}

MidiResult InProcessMidiService::PrepareHeader(Call call, MidiHandle h, bool input,
                                               MidiBufferHeader& header) {
  std::lock_guard lock(mu_);
  Handle* handle = nullptr;
  if (MidiResult r = EnterLive(call, h, input, handle)) return r;
  if (header.data == nullptr || header.buffer_length == 0) return kMidiInvalidParam;
  header.flags |= kMidiHeaderPrepared;
  return kMidiNoError;
}

MidiResult InProcessMidiService::OutputPrepareHeader(MidiHandle h, MidiBufferHeader& header) {
  return PrepareHeader(Call::OutputPrepareHeader, h, false, header);
}

MidiResult InProcessMidiService::OutputLongMessage(MidiHandle h, MidiBufferHeader& header) {
  std::lock_guard lock(mu_);
  Handle* handle = nullptr;
  if (MidiResult r = EnterLive(Call::OutputLongMessage, h, false, handle)) return r;
  if (MidiResult r = HeaderReady(header)) return r;
  sent_[handle->device_name].push_back(
      {true, 0, std::vector<std::uint8_t>(header.data, header.data + header.buffer_length)});
  HoldHeader(header);
  if (hold_output_done_) {
    handle->held.push_back(&header);
  } else {
    handle->worker->Post([this, h, p = &header] { ReportDone(h, p); });
  }
  return kMidiNoError;
}

MidiResult InProcessMidiService::OutputUnprepareHeader(MidiHandle h, MidiBufferHeader& header) {
  std::lock_guard lock(mu_);
  if (MidiResult r = Enter(Call::OutputUnprepareHeader)) return r;
  if (Find(h, false) == nullptr) return kMidiInvalidHandle;
  return UnprepareHeader(header);
}

MidiResult InProcessMidiService::OutputDrain(MidiHandle h) {
  std::shared_ptr<Worker> worker;
  {
    std::lock_guard lock(mu_);
    if (MidiResult r = Enter(Call::OutputDrain)) return r;
    Handle* handle = Find(h, false);
    if (handle == nullptr) return kMidiInvalidHandle;
    for (MidiBufferHeader* header : handle->held) {
      handle->worker->Post([this, h, header] { ReportDone(h, header); });
    }
    handle->held.clear();
    worker = handle->worker;
  }
  worker->WaitIdle();
  return kMidiNoError;
}

MidiResult InProcessMidiService::OutputErrorText(MidiResult code, std::string& text) {
  {
    std::lock_guard lock(mu_);
    if (error_text_fails_) return kMidiBadErrorNumber;
  }
  return StandardMidiErrorText(code, text);
}

// ---- Input ----

std::uint32_t InProcessMidiService::InputDeviceCount() {
  std::lock_guard lock(mu_);
  return unavailable_reason_.empty() ? static_cast<std::uint32_t>(inputs_.size()) : 0;
}

MidiResult InProcessMidiService::InputDeviceCaps(unsigned id, MidiInputCaps& caps) {
  std::lock_guard lock(mu_);
  if (MidiResult r = Enter(Call::InputDeviceCaps)) return r;
  if (!unavailable_reason_.empty() || id >= inputs_.size()) return kMidiBadDeviceId;
  caps = MidiInputCaps{};
  caps.name = inputs_[id].name;
  return kMidiNoError;
}

MidiResult InProcessMidiService::InputOpen(MidiHandle& handle, unsigned id,
                                           MidiDriverCallback callback, void* instance) {
  std::lock_guard lock(mu_);
  if (MidiResult r = Enter(Call::InputOpen)) return r;
  if (!unavailable_reason_.empty()) return kMidiNoDriver;
  if (id >= inputs_.size()) return kMidiBadDeviceId;
  auto opened = std::make_unique<Handle>();
  opened->input = true;
  opened->device_key = inputs_[id].key;
  opened->device_name = inputs_[id].name;
  opened->callback = callback;
  opened->instance = instance;
  opened->worker = std::make_shared<Worker>();
  handle = next_handle_++;
  handles_[handle] = std::move(opened);
  return kMidiNoError;
}

MidiResult InProcessMidiService::InputClose(MidiHandle h) {
  std::shared_ptr<Worker> worker;
  {
    std::lock_guard lock(mu_);
    if (MidiResult r = Enter(Call::InputClose)) return r;
    Handle* handle = Find(h, true);
    if (handle == nullptr) return kMidiInvalidHandle;
    if (!handle->queued.empty()) return kMidiStillPlaying;
    worker = handle->worker;
    handles_.erase(h);
  }
  worker->Stop();  // no callback after close
  return kMidiNoError;
}

MidiResult InProcessMidiService::InputStart(MidiHandle h) {
  std::lock_guard lock(mu_);
  Handle* handle = nullptr;
  if (MidiResult r = EnterLive(Call::InputStart, h, true, handle)) return r;
  handle->started = true;
  handle->start_ms = NowMs();
  return kMidiNoError;
}

MidiResult InProcessMidiService::InputReset(MidiHandle h) {
  std::shared_ptr<Worker> worker;
  {
    std::lock_guard lock(mu_);
    if (MidiResult r = Enter(Call::InputReset)) return r;
    Handle* handle = Find(h, true);
    if (handle == nullptr) return kMidiInvalidHandle;
    handle->started = false;
    worker = handle->worker;
  }
  // Every queued buffer goes back through the callback before the reset completes.
  worker->Post([this, h] {
    Queued queued(*this, h, false);
    SysexFiller().HandBack(queued);
  });
  worker->WaitIdle();
  return kMidiNoError;
}

MidiResult InProcessMidiService::InputPrepareHeader(MidiHandle h, MidiBufferHeader& header) {
  return PrepareHeader(Call::InputPrepareHeader, h, true, header);
}

MidiResult InProcessMidiService::InputAddBuffer(MidiHandle h, MidiBufferHeader& header) {
  std::lock_guard lock(mu_);
  Handle* handle = nullptr;
  if (MidiResult r = EnterLive(Call::InputAddBuffer, h, true, handle)) return r;
  if (MidiResult r = HeaderReady(header)) return r;
  header.bytes_recorded = 0;
  HoldHeader(header);
  handle->queued.push_back(&header);
  return kMidiNoError;
}

MidiResult InProcessMidiService::InputUnprepareHeader(MidiHandle h, MidiBufferHeader& header) {
  std::lock_guard lock(mu_);
  if (MidiResult r = Enter(Call::InputUnprepareHeader)) return r;
  if (Find(h, true) == nullptr) return kMidiInvalidHandle;
  return UnprepareHeader(header);
}

MidiResult InProcessMidiService::InputErrorText(MidiResult code, std::string& text) {
  {
    std::lock_guard lock(mu_);
    if (error_text_fails_) return kMidiBadErrorNumber;
  }
  return StandardMidiErrorText(code, text);
}

}  // namespace quorvane
