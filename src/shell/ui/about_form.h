#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

#include "shell/about_info.h"

class QLabel;
class QMouseEvent;

namespace quorvane {

// The "About" box: name, version, author and two links. A click anywhere else closes it.
class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr QSize kSize{291, 131};
  // Opens a link with the desktop's handler; tests replace it.
  using UrlOpener = std::function<bool(const QUrl&)>;

  explicit TAboutForm(AboutInfo info, QWidget* parent = nullptr);

  void SetUrlOpener(UrlOpener opener) { open_url_ = std::move(opener); }
  // Shown modally 100 pixels right of and below the given corner.
  void Execute(QPoint main_window_top_left);

  QLabel* WebLink() const { return web_; }
  QLabel* MailLink() const { return mail_; }
  QLabel* VersionLabel() const { return version_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* AddLabel(const QString& name, const QString& text, QPoint at);
  QLabel* AddLink(const QString& name, const QString& text, QPoint at);

  AboutInfo info_;
  UrlOpener open_url_;
  QLabel* version_ = nullptr;
  QLabel* web_ = nullptr;
  QLabel* mail_ = nullptr;
};

}  // namespace quorvane
