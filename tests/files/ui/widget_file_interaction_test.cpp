#include "files/ui/widget_file_interaction.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "support/modal.h"
#include "support/temp_dir.h"

namespace quorvane {

using testing::ClickAccept;
using testing::WhenModal;

class WidgetFileInteractionTest : public QObject {
  Q_OBJECT

 private slots:
  void messageBoxesHaveTheirTitlesTextsAndButtons() {
    QWidget window;
    WidgetFileInteraction ui(&window, false);
    QString title, text;
    QMessageBox::StandardButtons buttons;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      title = box->windowTitle();
      text = box->text();
      buttons = box->standardButtons();
      box->button(QMessageBox::No)->click();
    });
    QCOMPARE(ui.Ask(FileInteraction::Kind::kWarning, "Save current file?",
                    FileInteraction::Buttons::kYesNoCancel),
             FileInteraction::Answer::kNo);
    QCOMPARE(title, QString("Warning"));
    QCOMPARE(text, QString("Save current file?"));
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    WhenModal<QMessageBox>([&](QMessageBox* box) {
      title = box->windowTitle();
      box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(ui.Ask(FileInteraction::Kind::kConfirm, "Sure?", FileInteraction::Buttons::kYesNo),
             FileInteraction::Answer::kYes);
    QCOMPARE(title, QString("Confirm"));

    WhenModal<QMessageBox>([](QMessageBox* box) { box->reject(); });
    QCOMPARE(ui.Ask(FileInteraction::Kind::kWarning, "x", FileInteraction::Buttons::kYesNoCancel),
             FileInteraction::Answer::kCancel);
  }

  // A line edit keeps 32,767 characters by default; the longest dump request is longer.
  void inputBoxKeepsTheLongestDumpRequestWhole() {
    WidgetFileInteraction ui(nullptr, false);
    const QString text = "F0 " + QStringLiteral("01 ").repeated(65533) + "F7";
    WhenModal<QInputDialog>([](QInputDialog* box) { box->accept(); });
    QCOMPARE(ui.InputText("Dump Request String", "Enter", text).value_or(QString()), text);
  }

  void saveDialogFiltersAppendsTheExtensionAndStartsInTheFolder() {
    testing::TempDir dir;
    QWidget window;
    WidgetFileInteraction ui(&window, false);
    QStringList filters;
    QString shown_dir;
    WhenModal<QFileDialog>([&](QFileDialog* d) {
      filters = d->nameFilters();
      shown_dir = d->directory().absolutePath();
      auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
      QVERIFY(edit);
      edit->setText("Lead");
      ClickAccept(d);
    });
    const auto chosen = ui.ChooseFileToSave(dir.path() + "/", {});
    QVERIFY(chosen.has_value());
    QCOMPARE(*chosen, dir.file("Lead.qrt"));
    QCOMPARE(filters, QStringList{"Slider Settings (*.qrt)"});
    QCOMPARE(shown_dir, dir.path());
    QVERIFY(!QApplication::activeModalWidget());
  }

  void saveDialogAsksBeforeOverwriting() {
    testing::TempDir dir;
    const QString existing = dir.write("Pad.qrt", "x");
    QWidget window;
    WidgetFileInteraction ui(&window, false);
    QString question;
    WhenModal<QFileDialog>([&](QFileDialog* d) {
      WhenModal<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        box->button(QMessageBox::Yes)->click();
      });
      d->findChild<QLineEdit*>("fileNameEdit")->setText("Pad.qrt");
      ClickAccept(d);
    });
    const auto chosen = ui.ChooseFileToSave(dir.path() + "/", existing);
    QCOMPARE(chosen.value_or(QString()), existing);
    QVERIFY2(question.contains("Pad.qrt"), qPrintable(question));
  }

  void openDialogProposesTheRememberedNameAndCancelGivesNothing() {
    testing::TempDir dir;
    const QString file = dir.write("Bass.qrt", "x");
    QWidget window;
    WidgetFileInteraction ui(&window, false);
    QString proposed;
    WhenModal<QFileDialog>([&](QFileDialog* d) {
      proposed = d->findChild<QLineEdit*>("fileNameEdit")->text();
      ClickAccept(d);
    });
    QCOMPARE(ui.ChooseFileToOpen(dir.path() + "/", file).value_or(QString()), file);
    QCOMPARE(proposed, QString("Bass.qrt"));

    WhenModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
    QVERIFY(!ui.ChooseFileToOpen(dir.path() + "/", {}).has_value());
  }

  // A favourite's path is proposed while the dialog's folder is elsewhere: the dialog shows the
  // bare name, so it must be in the file's folder for Enter to find the file.
  void openDialogShowsAProposedPathInItsOwnFolder() {
    testing::TempDir dir, elsewhere;
    QDir().mkdir(dir.file("kept"));
    const QString file = dir.write("kept/Bass.qrt", "x");
    QWidget window;
    WidgetFileInteraction ui(&window, false);
    QString shown_dir, proposed;
    WhenModal<QFileDialog>([&](QFileDialog* d) {
      shown_dir = d->directory().absolutePath();
      proposed = d->findChild<QLineEdit*>("fileNameEdit")->text();
      d->reject();  // accepting in the wrong folder would raise "File not found"
    });
    QVERIFY(!ui.ChooseFileToOpen(elsewhere.path() + "/", file).has_value());
    QCOMPARE(shown_dir, dir.file("kept"));
    QCOMPARE(proposed, QString("Bass.qrt"));
    QVERIFY(!QApplication::activeModalWidget());
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::WidgetFileInteractionTest)
#include "widget_file_interaction_test.moc"
