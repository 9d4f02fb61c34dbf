#include <QApplication>

#include "app/qt/application.h"
#include "app/qt/main_window.h"

// The desktop program: nvk-k7lq [--simulate] [--root DIR].
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("NVK_K7LQ_USB"));
  QApplication::setApplicationVersion(QStringLiteral("0.1.0"));
  nvk::app::qt::TNVK_K7LQApp program(nvk::app::qt::parseStartOptions(argc, argv));
  program.start();
  return QApplication::exec();
}
