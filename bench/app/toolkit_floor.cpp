// The least a Qt Widgets program costs: one label in a window. bench_startup_peer runs it beside
// the program and the peer, so the toolkit's own share of start-up and memory is measured.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("Quorvane"));
  label.show();
  return app.exec();
}
