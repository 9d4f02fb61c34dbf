#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>

// Start-up of the desktop program. The main window with its menu, tool bar and dialogs is built
// on top of this as the capabilities land.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("NVK_K7LQ_USB");
  QMainWindow window;
  window.setWindowTitle("NVK_K7LQ_USB - (Untitled)");
  window.resize(1024, 768);
  window.statusBar()->showMessage("NVK K7LQ Camera Control and Image processing program");
  window.show();
  return app.exec();
}
