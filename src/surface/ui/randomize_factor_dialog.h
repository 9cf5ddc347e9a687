#pragma once

#include <QPointer>
#include <QWidget>

#include "surface/selection_commands.h"

namespace quorvane {

// The input box and warning of "Setup Randomize Factor...", as modal widgets over `parent`.
class RandomizeFactorDialog : public SelectionInteraction {
 public:
  explicit RandomizeFactorDialog(QWidget* parent) : parent_(parent) {}

  std::optional<QString> InputBox(const QString& title, const QString& prompt,
                                  const QString& text) override;
  void ShowWarning(const QString& text) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace quorvane
