#include "surface/ui/slider_settings_form.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "surface/ui/list_look.h"

namespace quorvane {

namespace {

constexpr QSize kDesignedSize{314, 280};

QComboBox* MakeList(QWidget* parent, const QString& name, const QStringList& entries,
                    int visible_rows) {
  auto* list = new DropDownList(visible_rows, parent);
  list->setObjectName(name);
  list->addItems(entries);
  // As wide as the longest controller name: the dialog widens rather than cut it.
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return list;
}

QPushButton* MakeLearnButton(QWidget* parent, const QString& name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setCheckable(true);
  button->setAutoDefault(false);
  button->setToolTip(QStringLiteral("Learn the controller from the next control change"));
  return button;
}

// The list with its Learn button beside it, as one form row.
QHBoxLayout* WithLearnButton(QComboBox* list, QPushButton* learn) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(list, 1);
  row->addWidget(learn);
  return row;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TSliderSettingsForm::TSliderSettingsForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SliderSettingsForm"));
  setWindowTitle(QStringLiteral("Settings"));

  auto* slider_box = new QGroupBox(QStringLiteral("Slider"), this);
  slider_controller_ =
      MakeList(slider_box, QStringLiteral("SliderController"), ControllerEntries(), 16);
  slider_label_ = new QLineEdit(slider_box);
  slider_label_->setObjectName(QStringLiteral("SliderLabel"));
  PaintWhiteOnBlack(slider_label_);
  channel_ = MakeList(slider_box, QStringLiteral("cmbChannel"), ChannelEntries(), 17);
  learn_slider_ =
      MakeLearnButton(slider_box, QStringLiteral("btnLearnSlider"), QStringLiteral("&Learn"));
  auto* slider_form = new QFormLayout(slider_box);
  slider_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  slider_form->addRow(MakeLabel(slider_box, QStringLiteral("lController"),
                                QStringLiteral("Co&ntroller"), slider_controller_),
                      WithLearnButton(slider_controller_, learn_slider_));
  slider_form->addRow(
      MakeLabel(slider_box, QStringLiteral("lLabel"), QStringLiteral("La&bel"), slider_label_),
      slider_label_);
  slider_form->addRow(
      MakeLabel(slider_box, QStringLiteral("lChannel"), QStringLiteral("C&hannel"), channel_),
      channel_);

  auto* button_box = new QGroupBox(QStringLiteral("Button"), this);
  use_slider_settings_ = new QCheckBox(QStringLiteral("&Use Slider Settings"), button_box);
  use_slider_settings_->setObjectName(QStringLiteral("cbUseSliderSettings"));
  button_controller_ =
      MakeList(button_box, QStringLiteral("cmbButtonController"), ControllerEntries(), 16);
  button_channel_ = MakeList(button_box, QStringLiteral("cmbButtonChannel"), ChannelEntries(), 17);
  button_controller_label_ = MakeLabel(button_box, QStringLiteral("lButtonController"),
                                       QStringLiteral("Con&troller"), button_controller_);
  button_channel_label_ = MakeLabel(button_box, QStringLiteral("lButtonChannel"),
                                    QStringLiteral("Chann&el"), button_channel_);
  auto* button_form = new QFormLayout(button_box);
  button_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  button_form->addRow(use_slider_settings_);
  learn_button_ =
      MakeLearnButton(button_box, QStringLiteral("btnLearnButton"), QStringLiteral("Lea&rn"));
  button_form->addRow(button_controller_label_, WithLearnButton(button_controller_, learn_button_));
  button_form->addRow(button_channel_label_, button_channel_);

  slider_enabled_ = new QCheckBox(QStringLiteral("Enable&d"), this);
  slider_enabled_->setObjectName(QStringLiteral("SliderEnabled"));

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(slider_box);
  column->addWidget(button_box);
  column->addWidget(slider_enabled_);
  column->addStretch();
  column->addLayout(buttons);

  connect(use_slider_settings_, &QCheckBox::toggled, this,
          &TSliderSettingsForm::cbUseSliderSettingsClick);
  connect(learn_slider_, &QPushButton::toggled, this,
          [this](bool down) { LearnToggled(ControllerLearner::Target::kSlider, down); });
  connect(learn_button_, &QPushButton::toggled, this,
          [this](bool down) { LearnToggled(ControllerLearner::Target::kButton, down); });
  cbUseSliderSettingsClick();
  // The designed size, larger where the font or a long controller name needs it.
  setFixedSize(sizeHint().expandedTo(kDesignedSize));
}

void TSliderSettingsForm::cbUseSliderSettingsClick() {
  const bool on = ButtonFieldsEnabled(use_slider_settings_->isChecked());
  for (QWidget* w : std::initializer_list<QWidget*>{
           button_controller_, button_channel_, button_controller_label_, button_channel_label_})
    w->setEnabled(on);
  // The button's fields are not used: nothing is learned for them.
  if (!on && learner_.Learning() == ControllerLearner::Target::kButton) learner_.Cancel();
  ShowLearning();
}

void TSliderSettingsForm::SetLearnSource(ControlChangeSource* source) {
  learner_.SetSource(source);
  ShowLearning();
}

void TSliderSettingsForm::ShowLearning() {
  using Target = ControllerLearner::Target;
  const QSignalBlocker slider_blocker(learn_slider_);
  const QSignalBlocker button_blocker(learn_button_);
  learn_slider_->setChecked(learner_.Learning() == Target::kSlider);
  learn_button_->setChecked(learner_.Learning() == Target::kButton);
  learn_slider_->setEnabled(learner_.HasSource());
  learn_button_->setEnabled(learner_.HasSource() &&
                            ButtonFieldsEnabled(use_slider_settings_->isChecked()));
}

void TSliderSettingsForm::LearnToggled(ControllerLearner::Target target, bool down) {
  if (down) {
    learner_.Begin(target, [this](ControllerLearner::Target t, const LearnedController& learned) {
      Learned(t, learned);
    });
  } else if (learner_.Learning() == target) {
    learner_.Cancel();  // a second click
  }
  ShowLearning();
}

void TSliderSettingsForm::Learned(ControllerLearner::Target target,
                                  const LearnedController& learned) {
  const bool slider = target == ControllerLearner::Target::kSlider;
  (slider ? slider_controller_ : button_controller_)->setCurrentIndex(learned.ctrl);
  (slider ? channel_ : button_channel_)->setCurrentIndex(learned.channel_entry);
  ShowLearning();
}

void TSliderSettingsForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
      learner_.Learning() != ControllerLearner::Target::kNone) {
    learner_.Cancel();
    ShowLearning();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TSliderSettingsForm::ShowFields(const SliderSettingsFields& f) {
  slider_controller_->setCurrentIndex(f.ctrl);
  slider_label_->setText(f.caption);
  slider_enabled_->setChecked(f.enabled);
  channel_->setCurrentIndex(f.channel);
  button_controller_->setCurrentIndex(f.button_ctrl);
  button_channel_->setCurrentIndex(f.button_channel);
  use_slider_settings_->setChecked(f.use_slider);
  cbUseSliderSettingsClick();  // also when the check state did not change
}

SliderSettingsFields TSliderSettingsForm::ShownFields() const {
  SliderSettingsFields f;
  f.ctrl = slider_controller_->currentIndex();
  f.caption = slider_label_->text();
  f.enabled = slider_enabled_->isChecked();
  f.channel = channel_->currentIndex();
  f.button_ctrl = button_controller_->currentIndex();
  f.button_channel = button_channel_->currentIndex();
  f.use_slider = use_slider_settings_->isChecked();
  return f;
}

bool TSliderSettingsForm::Edit(Tcontroller& d, QPoint main_window_top_left) {
  ShowFields(SliderSettingsFields::From(d));
  slider_controller_->setFocus();
  move(SettingsDialogPosition(main_window_top_left));
  const bool accepted = exec() == QDialog::Accepted;
  // A learning still waiting ends with the dialog.
  learner_.Cancel();
  ShowLearning();
  if (!accepted) return false;
  ShownFields().WriteBack(d);
  return true;
}

}  // namespace quorvane
