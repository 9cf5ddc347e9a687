#include "surface/selection_commands.h"

#include <algorithm>
#include <chrono>

#include "surface/surface_model.h"

namespace quorvane {

void ClockSeededRandom::Reseed() {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  generator_.seed(static_cast<std::mt19937::result_type>(ticks ^ (ticks >> 32)));
}

int ClockSeededRandom::Random(int n) {
  if (n <= 1) return 0;
  return std::uniform_int_distribution<int>(0, n - 1)(generator_);
}

SelectionCommands::SelectionCommands(SurfaceModel& model)
    : model_(model), random_(std::make_unique<ClockSeededRandom>()) {}

SelectionCommands::~SelectionCommands() = default;

void SelectionCommands::SetRandomSource(std::unique_ptr<RandomSource> source) {
  random_ = std::move(source);
}

void SelectionCommands::RedrawPage() {
  for (int s = 1; s <= kSlotCount; ++s) model_.RedrawSlot(s);
}

void SelectionCommands::SelectAll() {
  for (Tcontroller& d : model_.MutablePages()) d.selected = true;
  RedrawPage();
}

void SelectionCommands::DeselectAll() {
  for (Tcontroller& d : model_.MutablePages()) d.selected = false;
  RedrawPage();
}

void SelectionCommands::SelectAllOnCurrentPage() {
  for (Tcontroller& d : model_.MutablePages()) d.selected = false;
  for (int s = 1; s <= kSlotCount; ++s) model_.SlotDefinition(s).selected = true;
  RedrawPage();
}

void SelectionCommands::DeselectAllOnCurrentPage() {
  for (int s = 1; s <= kSlotCount; ++s) model_.SlotDefinition(s).selected = false;
  RedrawPage();
}

void SelectionCommands::SetSelectedEnabled(bool enabled) {
  for (int p = 1; p <= kPageCount; ++p) {
    for (int s = 1; s <= kSlotCount; ++s) {
      Tcontroller& d = model_.Definition(p, s);
      if (d.selected) d.enabled = enabled;
    }
    if (p == model_.CurrentPage()) model_.ShowPage(model_.CurrentPage());
  }
}

void SelectionCommands::SetRange(int slot, QChar key) {
  Tcontroller& d = model_.SlotDefinition(slot);
  const auto value = static_cast<std::uint8_t>(ValueFromPosition(model_.View(slot).position));
  if (key == QLatin1Char('u')) {
    d.upper_range = value;
  } else if (key == QLatin1Char('l')) {
    d.lower_range = value;
  } else if (key == QLatin1Char('c')) {
    d.upper_range = kClearedRange;
    d.lower_range = kClearedRange;
  } else {
    return;
  }
  model_.RedrawSlot(slot);
}

void SelectionCommands::SetRangeForSelected(QChar key) {
  for (int s = 1; s <= kSlotCount; ++s) {
    const Tcontroller& d = model_.SlotDefinition(s);
    if (d.selected && d.enabled) SetRange(s, key);
  }
}

void SelectionCommands::ToggleGroupMode() {
  model_.SetGroupMode(!model_.GroupMode());
  model_.CaptureGroupReference();
}

void SelectionCommands::ClearLabels() {
  bool changed = false;
  for (Tcontroller& d : model_.MutablePages()) {
    if (!d.selected) continue;
    d.caption.clear();
    d.color = kDefaultColor;
    changed = true;
  }
  if (changed) RedrawPage();
}

void SelectionCommands::ToggleSelection(int slot) {
  if (!model_.Gestures().TouchInGesture(slot)) return;
  Tcontroller& d = model_.SlotDefinition(slot);
  d.selected = !d.selected;
  model_.RedrawSlot(slot);
  model_.CaptureGroupReference();
}

void SelectionCommands::RandomizeSelection() {
  random_->Reseed();
  // The sliders moved here must not drag the group along with them.
  model_.SetGroupFollow(false);
  for (int p = 1; p <= kPageCount; ++p) {
    for (int s = 1; s <= kSlotCount; ++s) {
      Tcontroller& d = model_.Definition(p, s);
      if (!d.selected || !d.enabled) continue;
      if (!HasRange(d)) {
        const int r = random_->Random(127);
        const int t =
            RoundHalfEven((64.0 - r) / 100.0 * model_.Settings().randomize_factor + d.value);
        d.value = ClampMidi(t);
      } else {
        const int lo = std::min(d.upper_range, d.lower_range);
        const int hi = std::max(d.upper_range, d.lower_range);
        d.value = static_cast<std::uint8_t>(lo + random_->Random(hi - lo));
      }
      if (!d.use_slider) d.button_value = random_->Random(127) > 63 ? 127 : 0;
      if (p == model_.CurrentPage()) {
        model_.RefreshSlot(s);
        model_.RedrawSlot(s);  // the toggle button of a button-message slot
      }
    }
  }
  model_.SetGroupFollow(true);
  model_.CaptureGroupReference();
  model_.Sends().StartSend(BulkSendThread::kSelected);
}

std::optional<int> SelectionCommands::ParseFactor(const QString& text) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok, 10);
  if (!ok || v < 1 || v > 100) return std::nullopt;
  return v;
}

void SelectionCommands::SetupRandomizeFactor(SelectionInteraction& ui) {
  const QString shown = QString::number(model_.Settings().randomize_factor);
  for (;;) {
    const std::optional<QString> answer =
        ui.InputBox(QStringLiteral("Randomize Factor"),
                    QStringLiteral("Enter a value between 1 and 100."), shown);
    // Cancel leaves whatever is stored, even a factor out of range.
    if (!answer) return;
    if (const std::optional<int> factor = ParseFactor(*answer)) {
      SurfaceSettings s = model_.Settings();
      s.randomize_factor = *factor;
      model_.SetSettings(s);
      return;
    }
    ui.ShowWarning(QStringLiteral("Invalid input."));
  }
}

}  // namespace quorvane
