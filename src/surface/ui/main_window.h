#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <memory>

#include "model/controller.h"

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

  // Every menu item and tool button action by its name ("LoadPage1", "btnPage1", "Exit1");
  // nullptr for an unknown name. Later features enable and connect them through this.
  QAction* Action(const QString& name) const;
  QStringList ActionNames() const { return actions_.keys(); }
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
  void BuildSlotArea();
  void BuildStatusBar();
  void ConnectModel();

  void RenderSlot(int slot);
  void RenderAllSlots();
  void RenderState();
  void RenderStatusPanel(int panel);
  void RenderActivity();
  void SendBegun();
  void SendEnded();

  SurfaceModel& model_;
  QHash<QString, QAction*> actions_;
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
