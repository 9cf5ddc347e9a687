#include "surface/status_board.h"

namespace quorvane {

StatusBoard::StatusBoard(QObject* parent) : QObject(parent) {
  for (QTimer* t : {&midi_in_timer_, &midi_out_timer_}) {
    t->setInterval(kActivityMs);
    t->setSingleShot(true);
  }
  connect(&midi_in_timer_, &QTimer::timeout, this, &StatusBoard::MidiInTimerTimer);
  connect(&midi_out_timer_, &QTimer::timeout, this, &StatusBoard::MidiOutTimerTimer);
  loss_.clear_timer.setSingleShot(true);
  loss_.clear_timer.setInterval(kLossNoticeMs);
  connect(&loss_.clear_timer, &QTimer::timeout, this, [this] {
    loss_.count = 0;
    loss_.notice.clear();
    emit noticeChanged();
  });
  panels_[1] = QStringLiteral("MIDI Controller");
  panels_[3] = QStringLiteral("Value");
}

void StatusBoard::SetPanel(int panel, const QString& text) {
  QString& current = panels_.at(static_cast<std::size_t>(panel));
  if (current == text) return;
  current = text;
  emit statusPanelChanged(panel);
}

void StatusBoard::NoteMidiIn() {
  midi_in_timer_.start();
  if (!lamps_.in) {
    lamps_.in = true;
    emit activityChanged();
  }
}

void StatusBoard::NoteMidiOut() {
  midi_out_timer_.start();
  if (!lamps_.out) {
    lamps_.out = true;
    emit activityChanged();
  }
}

void StatusBoard::MidiInTimerTimer() {
  midi_in_timer_.stop();
  lamps_.in = false;
  emit activityChanged();
}

void StatusBoard::MidiOutTimerTimer() {
  midi_out_timer_.stop();
  lamps_.out = false;
  SetPanel(2, QString());
  SetPanel(4, QString());
  emit activityChanged();
}

void StatusBoard::NoteMessagesLost(int count) {
  loss_.count += count;
  loss_.clear_timer.start();
  if (loss_.update_posted) return;
  loss_.update_posted = true;
  QTimer::singleShot(0, this, [this] {
    loss_.update_posted = false;
    if (loss_.count == 0) return;
    loss_.notice = QStringLiteral("%1 MIDI messages lost").arg(loss_.count);
    emit noticeChanged();
  });
}

void StatusBoard::ShowNotice(const QString& text) {
  loss_.clear_timer.start();
  if (loss_.notice == text) return;
  loss_.notice = text;
  emit noticeChanged();
}

}  // namespace quorvane
