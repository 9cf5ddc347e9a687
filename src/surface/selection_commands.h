#pragma once

#include <QChar>
#include <QString>
#include <memory>
#include <optional>
#include <random>

namespace quorvane {

class SurfaceModel;

// The dialogs the selection commands need; the window supplies widgets, tests a script.
class SelectionInteraction {
 public:
  virtual ~SelectionInteraction() = default;
  // A modal input box showing `text`; returns the text entered, or nothing when cancelled.
  virtual std::optional<QString> InputBox(const QString& title, const QString& prompt,
                                          const QString& text) = 0;
  // A modal warning (title "Warning") with an OK button.
  virtual void ShowWarning(const QString& text) = 0;
};

// Random(n): a uniformly distributed integer in 0..n - 1.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  virtual void Reseed() = 0;
  virtual int Random(int n) = 0;
};

// The program's source: reseeded from the clock before every randomize.
class ClockSeededRandom : public RandomSource {
 public:
  void Reseed() override;
  int Random(int n) override;

 private:
  std::mt19937 generator_;
};

// The Selection menu and the other operations on the selected definitions: select and
// deselect, enable and disable, value ranges, group mode, randomize and its factor.
class SelectionCommands {
 public:
  explicit SelectionCommands(SurfaceModel& model);
  ~SelectionCommands();

  void SelectAll();
  void DeselectAll();
  // Afterwards exactly the current page is selected.
  void SelectAllOnCurrentPage();
  void DeselectAllOnCurrentPage();
  // Empties the caption and resets the colour of every selected definition, all pages.
  void ClearLabels();
  void EnableSelected() { SetSelectedEnabled(true); }
  void DisableSelected() { SetSelectedEnabled(false); }

  // A key typed on slot `slot` of the current page: 'u' takes the slider's value as the upper
  // bound, 'l' as the lower bound, 'c' clears the range. Any other key (upper case too) is
  // ignored.
  void SetRange(int slot, QChar key);
  // The same for every selected enabled slot of the current page.
  void SetRangeForSelected(QChar key);

  // Flips group mode and captures the proportions of the group.
  void ToggleGroupMode();
  // One selection gesture on a slot's label; a slot touched during the gesture is left alone.
  void ToggleSelection(int slot);

  // New values for the selected enabled definitions, then a send of the selection.
  void RandomizeSelection();
  void SetRandomSource(std::unique_ptr<RandomSource> source);

  // Asks for the randomize factor until it is a whole number from 1 to 100; Cancel leaves at
  // once with nothing changed.
  void SetupRandomizeFactor(SelectionInteraction& ui);
  static std::optional<int> ParseFactor(const QString& text);

 private:
  void SetSelectedEnabled(bool enabled);
  void RedrawPage();

  SurfaceModel& model_;
  std::unique_ptr<RandomSource> random_;
};

}  // namespace quorvane
