// The OSC dialog: a config that cannot be applied keeps it open with the reason; one that
// can is applied and handed back.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "osc/ui/osc_dialog.h"
#include "support/modal.h"

namespace quorvane {

class OscDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void APortInUseKeepsTheDialogOpenWithTheReason() {
    OscDialog dialog;
    OscConfig config;
    QList<OscConfig> tried;
    QString told;
    const auto apply = [&](const OscConfig& c) {
      tried << c;
      return c.port == 8000 ? QStringLiteral("UDP port 8000 is in use by another program.")
                            : QString();
    };
    testing::WhenModal<OscDialog>([&](OscDialog* d) {
      d->findChild<QCheckBox*>(QStringLiteral("OscEnabled"))->setChecked(true);
      QPushButton* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
      testing::WhenModal<QMessageBox>([&](QMessageBox* box) {
        told = box->text();
        box->accept();
      });
      ok->click();  // the warning's own event loop answers it
      QVERIFY(d->isVisible());
      d->findChild<QSpinBox*>(QStringLiteral("OscPort"))->setValue(9000);
      ok->click();
    });
    QVERIFY(dialog.Edit(config, apply));
    QVERIFY(told.contains(QStringLiteral("in use")));
    QCOMPARE(tried.size(), 2);
    QVERIFY(config.enabled);
    QCOMPARE(config.port, 9000);
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::OscDialogTest)
#include "osc_dialog_test.moc"
