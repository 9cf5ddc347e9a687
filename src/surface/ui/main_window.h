#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "model/controller.h"
#include "surface/ui/commands.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollArea;
class QToolBar;
class QToolButton;

namespace quorvane {

class ActivityIndicator;
class SelectionCommands;
class SelectionInteraction;
class BulkSendWindow;
class TrackBar;
class TrackBarStyle;
class SurfaceModel;

// The main window: renders SurfaceModel and forwards the user's gestures to it.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kStatusPanels = 7;
  static constexpr int kColumnPitch = 48;
  static constexpr QSize kDesignedClientSize{808, 478};

  explicit MainWindow(SurfaceModel& model, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Enables and connects the bulk send commands and the Selection menu, and lets the range
  // keys typed on a slider reach the selection commands.
  void BindBulkCommands(SelectionCommands& selection, SelectionInteraction& interaction);
  // Shown while a bulk send runs; a window of its own, so disabling this one leaves it usable.
  BulkSendWindow* SendWindow() const { return send_window_.get(); }

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
  void SetStandingMessage(const QString& text);
  ActivityIndicator* Indicator() const { return indicator_; }

 protected:
  bool event(QEvent* e) override;

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
  void BuildSlotArea();
  void BuildStatusBar();
  void ConnectModel();

  void RenderSlot(int slot);
  void RenderAllSlots();
  void RenderState();
  void RenderStatusPanel(int panel);
  void RenderActivity();
  void RenderNotice();  // panel 0 when no hint is shown: the passing notice, else the standing one
  void SendBegun();
  void SendEnded();

  SurfaceModel& model_;
  std::array<QAction*, kCommandCount> menu_actions_{};
  std::array<QAction*, kCommandCount> button_actions_{};
  QHash<QString, QMenu*> menus_;
  QHash<QString, QToolBar*> bands_;
  std::array<SlotColumn, kSlotCount> columns_{};
  std::array<QLabel*, kStatusPanels> panels_{};
  QString standing_message_;
  ActivityIndicator* indicator_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  std::unique_ptr<TrackBarStyle> track_bar_style_;  // outlives the track bars, see destructor
  std::unique_ptr<BulkSendWindow> send_window_;
  SelectionCommands* selection_ = nullptr;
  int busy_cursors_ = 0;
};

}  // namespace quorvane
