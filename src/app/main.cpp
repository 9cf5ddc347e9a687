#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorvane"));
  QMainWindow w;
  w.setWindowTitle(QStringLiteral("Quorvane"));
  w.show();
  return app.exec();
}
