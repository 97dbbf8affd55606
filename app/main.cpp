// Program entry: creates the windows and runs the event loop.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QMainWindow w;
  w.setWindowTitle("5200 Pulse Generator");
  w.show();
  return app.exec();
}
