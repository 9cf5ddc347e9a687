#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

namespace quorvane {

// The status bar's text panels, the MIDI activity lamps and the passing loss notice. Lamps go
// dark a moment after the last message; the notice clears itself a few seconds after the
// last loss.
class StatusBoard : public QObject {
  Q_OBJECT

 public:
  static constexpr int kActivityMs = 200;
  // How long "N MIDI messages lost" stays in the status bar after the last loss.
  static constexpr int kLossNoticeMs = 4000;
  static constexpr int kStatusPanels = 7;

  explicit StatusBoard(QObject* parent = nullptr);

  const QString& Panel(int panel) const { return panels_.at(static_cast<std::size_t>(panel)); }
  void SetPanel(int panel, const QString& text);

  bool InActivity() const { return lamps_.in; }
  bool OutActivity() const { return lamps_.out; }
  void NoteMidiIn();
  // Lights the output lamp; when it goes dark, the sent controller and value panels clear.
  void NoteMidiOut();
  void MidiInTimerTimer();
  void MidiOutTimerTimer();
  QTimer& MidiInTimer() { return midi_in_timer_; }
  QTimer& MidiOutTimer() { return midi_out_timer_; }

  // A passing notice for the status bar ("N MIDI messages lost"), or empty.
  const QString& Notice() const { return loss_.notice; }
  // Input turned away by a full receive ring: counted and told for a few seconds.
  void NoteMessagesLost(int count);
  // A passing notice of its own, told for as long as a loss is.
  void ShowNotice(const QString& text);

 signals:
  void statusPanelChanged(int panel);  // a status panel's text changed
  void activityChanged();              // an activity indicator changed
  void noticeChanged();                // the passing notice appeared, changed or went

 private:
  struct ActivityLamps {
    bool in = false;
    bool out = false;
  };
  struct LossNotice {
    int count = 0;
    bool update_posted = false;  // a burst of losses redraws the notice once
    QString notice;
    QTimer clear_timer;
  };

  std::array<QString, kStatusPanels> panels_{};
  ActivityLamps lamps_;
  LossNotice loss_;
  QTimer midi_in_timer_;
  QTimer midi_out_timer_;
};

}  // namespace quorvane
