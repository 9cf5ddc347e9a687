// The Browser Surface dialog: a port in use keeps it open with the reason and offers the free
// port; the address follows the edits and a new token.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "support/modal.h"
#include "web/ui/browser_surface_dialog.h"

namespace quorvane {

class BrowserSurfaceDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void APortInUseOffersTheNextFreeOne() {
    BrowserSurfaceDialog dialog;
    BrowserSurfaceConfig config{false, 8460, false, NewBrowserToken()};
    const QString old_token = config.token;
    QList<int> tried;
    QString told;
    const auto apply = [&](const BrowserSurfaceConfig& c) {
      tried << c.port;
      return c.port == 8460 ? BrowserSurfaceDialog::Outcome{QStringLiteral("in use"), 8462}
                            : BrowserSurfaceDialog::Outcome{};
    };
    const auto address = [](const BrowserSurfaceConfig& c) {
      return BrowserSurfaceAddress(c.network ? "net" : "here", c.port, c.token);
    };
    testing::WhenModal<BrowserSurfaceDialog>([&](BrowserSurfaceDialog* d) {
      auto* shown = d->findChild<QLabel*>(QStringLiteral("BrowserAddress"));
      QCOMPARE(shown->text(), "http://here:8460/?token=" + old_token);
      QVERIFY(d->findChild<QrCodeView*>()->Code().size > 0);
      d->findChild<QCheckBox*>(QStringLiteral("BrowserEnabled"))->setChecked(true);
      d->findChild<QRadioButton*>(QStringLiteral("BrowserNetwork"))->setChecked(true);
      d->findChild<QPushButton*>(QStringLiteral("BrowserNewToken"))->click();
      QVERIFY(shown->text().startsWith("http://net:8460/?token="));
      QVERIFY(!shown->text().endsWith(old_token));
      QPushButton* ok = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
      testing::WhenModal<QMessageBox>([&](QMessageBox* box) {
        told = box->text();
        box->accept();
      });
      ok->click();
      QVERIFY(d->isVisible());
      QCOMPARE(d->findChild<QSpinBox*>(QStringLiteral("BrowserPort"))->value(), 8462);
      ok->click();
    });
    QVERIFY(dialog.Edit(config, apply, address));
    QVERIFY(told.contains(QStringLiteral("8462")));
    QCOMPARE(tried, (QList<int>{8460, 8462}));
    QVERIFY(config.enabled && config.network);
    QCOMPARE(config.port, 8462);
    QVERIFY(IsBrowserToken(config.token) && config.token != old_token);
  }
};

}  // namespace quorvane

QTEST_MAIN(quorvane::BrowserSurfaceDialogTest)
#include "browser_surface_dialog_test.moc"
