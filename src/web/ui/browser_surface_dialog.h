#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>

#include "web/browser_surface_config.h"
#include "web/qr_code.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace quorvane {

// Paints a QR code, black on white with a quiet zone, as large as it fits.
class QrCodeView : public QWidget {
  Q_OBJECT

 public:
  explicit QrCodeView(QWidget* parent = nullptr);
  void SetCode(QrCode code);
  const QrCode& Code() const { return code_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QrCode code_;
};

// View > Browser Surface...: whether the program serves the surface to web browsers, on which
// port, to this computer only or to the network, and the address with its token, as text and
// as a QR code.
class BrowserSurfaceDialog : public QDialog {
  Q_OBJECT

 public:
  // Why a config could not be applied (empty: it was), and a free port to offer instead when
  // the chosen one is in use (0: none).
  struct Outcome {
    QString error;
    int free_port = 0;
  };
  using Apply = std::function<Outcome(const BrowserSurfaceConfig&)>;
  // The address a browser opens for a config.
  using Address = std::function<QString(const BrowserSurfaceConfig&)>;

  explicit BrowserSurfaceDialog(QWidget* parent = nullptr);

  // Shows config; on OK applies the edited one, staying open with the reason when that
  // fails. True, with config changed, when it was applied.
  bool Edit(BrowserSurfaceConfig& config, const Apply& apply, const Address& address);

 private:
  BrowserSurfaceConfig Edited() const;
  void ShowAddress();
  void TryApply();

  QCheckBox* enabled_;
  QSpinBox* port_;
  QRadioButton* local_;
  QRadioButton* network_;
  QLabel* address_;
  QrCodeView* qr_;
  QString token_;
  Apply apply_;
  Address address_of_;
  BrowserSurfaceConfig edited_;
};

}  // namespace quorvane
