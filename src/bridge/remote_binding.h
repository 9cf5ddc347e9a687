#pragma once

#include <QObject>
#include <array>
#include <functional>

#include "files/app_settings.h"
#include "midi/midi_message.h"
#include "remote/remote_dispatcher.h"
#include "remote/transport.h"

namespace quorvane {

class SnapshotStore;
class SurfaceMidiLink;

// Remote control and the transport buttons joined to the running program: the dispatcher gets
// every event of the remote input, the snapshot store its snapshot commands, and the window
// what only it can answer through WindowHooks.
class RemoteBinding : public QObject, private RemoteHost {
  Q_OBJECT

 public:
  // What the windows answer; an unset hook answers false or does nothing.
  struct WindowHooks {
    std::function<bool()> modal_dialog_open;
    std::function<bool()> application_active;
    std::function<void()> bring_to_front;
    // The compact strip's label of the slot shows the value, until the labels are next drawn.
    std::function<void(int slot, int value)> show_compact_value;
  };

  RemoteBinding(SurfaceMidiLink& link, SnapshotStore& snapshots, QObject* parent = nullptr);
  ~RemoteBinding() override;
  RemoteBinding(const RemoteBinding&) = delete;
  RemoteBinding& operator=(const RemoteBinding&) = delete;

  void SetWindowHooks(WindowHooks hooks) { hooks_ = std::move(hooks); }
  // The remote and transport controller numbers of the settings file.
  void ApplySettings(const AppSettings& settings);

  RemoteDispatcher& Dispatcher() { return dispatcher_; }
  const TransportControllers& Transport() const { return transport_; }
  // A transport button's click; false when nothing went out.
  bool SendTransport(TransportButton button);

  // One event of the remote input, as the link hands it over.
  void HandleRemoteEvent(const TMyMidiEvent& event);

 private:
  int RemoteChannel() const override;
  bool ModalDialogOpen() const override;
  bool ApplicationActive() const override;
  void BringToFront() override;
  void SnapshotSlotAction(int slot) override;
  bool TakeMode() const override;
  void SetTakeMode(bool on) override;
  void ShowCompactValue(int slot, int value) override;

  void EndBatch();

  SurfaceMidiLink& link_;
  SnapshotStore& snapshots_;
  RemoteDispatcher dispatcher_;
  TransportControllers transport_;
  WindowHooks hooks_;
  bool batch_open_ = false;
  // Compact-strip values received during the open batch, [slot - 1]; -1 for none.
  std::array<int, kSlotCount> compact_values_{};
};

}  // namespace quorvane
