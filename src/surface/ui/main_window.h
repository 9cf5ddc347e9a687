#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "model/controller.h"
#include "model/slot_view.h"
#include "surface/status_board.h"
#include "surface/status_notices.h"
#include "surface/ui/commands.h"

class QAction;
class QActionGroup;
class QDrag;
class QLabel;
class QMenu;
class QScrollArea;
class QToolBar;
class QToolButton;

namespace quorvane {

class ActivityIndicator;
struct RedrawFrame;
class LabelGestures;
class SelectionCommands;
class TCompactWindow;
class SelectionInteraction;
class BulkSendWindow;
class TrackBar;
class TrackBarStyle;
class SurfaceModel;

// The main window: renders SurfaceModel and forwards the user's gestures to it.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kColumnPitch = 48;
  static constexpr QSize kDesignedClientSize{808, 478};

  explicit MainWindow(SurfaceModel& model, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Enables and connects the bulk send commands and the Selection menu, and lets the range
  // keys typed on a slider reach the selection commands.
  void BindBulkCommands(SelectionCommands& selection, SelectionInteraction& interaction);
  // Lets the number labels' mouse gestures reach `gestures`; a click asks for the slot's
  // settings through slotSettingsRequested.
  void BindLabelGestures(LabelGestures& gestures);
  // Runs a drag the labels begin; tests replace the real drag's event loop.
  using DragRunner = std::function<void(QDrag& drag)>;
  void SetDragRunner(DragRunner runner) { drag_runner_ = std::move(runner); }
  // Whether the colour dialog is the desktop's own.
  void SetNativeDialogs(bool on) { native_dialogs_ = on; }
  // The caption colour dialog of slot s; it opens on the colour last chosen in it.
  void ChooseColor(int slot);
  TCompactWindow* CompactWindow() const { return compact_.get(); }

  // Shown while a bulk send runs; a window of its own, so disabling this one leaves it usable.
  BulkSendWindow* SendWindow();

  // A command's menu item and/or tool button, menu item first.
  QList<QAction*> Actions(Command command) const;
  // nullptr when the command has no menu item / no tool button.
  QAction* MenuAction(Command command) const;
  QAction* ButtonAction(Command command) const;
  // Enables all of the command's actions and runs `fn` whichever of them is triggered; the
  // second form is handed the triggered action's new check state.
  void Bind(Command command, const std::function<void()>& fn);
  void Bind(Command command, const std::function<void(bool checked)>& fn);
  void SetChecked(Command command, bool checked);

  QMenu* Menu(const QString& name) const;  // "File1", "MIDI1", ..., "Help1"
  QToolBar* Band(const QString& title) const;
  QToolButton* ToolButton(const QString& name) const;

  // The controls of slot 1..24.
  TrackBar* Slider(int slot) const { return Column(slot).slider; }
  QLabel* NumberLabel(int slot) const { return Column(slot).number; }
  QLabel* ValueDisplay(int slot) const { return Column(slot).value; }
  QToolButton* SlotButton(int slot) const { return Column(slot).button; }
  QLabel* CaptionLabel(int slot) const { return Column(slot).caption; }

  QScrollArea* SlotArea() const { return scroll_; }
  QLabel* StatusPanel(int panel) const;  // nullptr for the drawn panel 5
  // A line panel 0 shows whenever no hint is shown (the state of the MIDI system, say).
  void SetStandingMessage(const QString& text) { SetNotice(StatusNotices::Source::kSystem, text); }
  // The line of one source; panel 0 shows the most important one, cut to fit, and its tool tip
  // all of them whole.
  void SetNotice(StatusNotices::Source source, const QString& text);
  ActivityIndicator* Indicator() const { return indicator_; }

 signals:
  // A left click on slot s's number label.
  void slotSettingsRequested(int slot);

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  struct SlotColumn {
    TrackBar* slider = nullptr;
    QLabel* number = nullptr;
    QLabel* value = nullptr;
    QToolButton* button = nullptr;
    QLabel* caption = nullptr;
  };
  const SlotColumn& Column(int slot) const {
    return columns_.at(static_cast<std::size_t>(slot - 1));
  }

  void BuildMenus();
  void BuildBands();
  void BindViewCommands();
  void BindWindowBehaviour();
  void BuildSlotArea();
  void BuildStatusBar();
  void ConnectModel();

  void RenderFrame(const RedrawFrame& frame);
  void RenderSlot(int slot);
  void RenderAllSlots();
  void RenderState();
  void RenderStatusPanel(int panel);
  void RenderActivity();
  void RenderNotice();  // panel 0 when no hint is shown: the passing notice, else the standing one
  // Panel 0 shows `text`, cut with an ellipsis where it is too long, and tells `whole` on hover.
  void ShowInFirstPanel(const QString& text, const QString& whole);
  void SendBegun();
  void SendEnded();

  bool NumberLabelEvent(int slot, QEvent* e);
  bool CaptionLabelEvent(int slot, QEvent* e);
  bool PageButtonEvent(int page, QEvent* e);
  int NumberLabelAt(QPoint global) const;  // 0 when over none
  void StartDrag(int slot);
  // Gives the windows the stay-on-top attribute, or takes it away, as the model says.
  void ApplyTopmost();
  void ShowCompactView(bool on);
  void MinimizeApplication();
  void RestoreApplication();

  SurfaceModel& model_;
  std::array<QAction*, kCommandCount> menu_actions_{};
  std::array<QAction*, kCommandCount> button_actions_{};
  QHash<QString, QMenu*> menus_;
  QHash<QString, QToolBar*> bands_;
  std::array<SlotColumn, kSlotCount> columns_{};
  std::array<std::optional<SlotView>, kSlotCount> shown_{};  // texts last drawn, [slot - 1]
  std::array<QLabel*, StatusBoard::kStatusPanels> panels_{};
  StatusNotices notices_;
  ActivityIndicator* indicator_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  std::unique_ptr<TrackBarStyle> track_bar_style_;  // outlives the track bars, see destructor
  std::unique_ptr<BulkSendWindow> send_window_;
  SelectionCommands* selection_ = nullptr;
  int busy_cursors_ = 0;

  // Which slot or page each label and page button stands for.
  QHash<QObject*, int> number_slots_;
  QHash<QObject*, int> caption_slots_;
  QHash<QObject*, int> page_buttons_;
  LabelGestures* gestures_ = nullptr;
  DragRunner drag_runner_;
  QColor last_color_{Qt::black};
  bool native_dialogs_ = true;
  std::unique_ptr<TCompactWindow> compact_;
};

}  // namespace quorvane
