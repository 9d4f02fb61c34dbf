#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace nvk::app::qt {

// The program's help, read in the program: the pages of docs/ in a browser with Home, Back and
// Forward. It opens on the getting-started page; the links lead to the reference pages.
class HelpWindow final : public QDialog {
  Q_OBJECT

 public:
  // `home` is the page shown first and by Home.
  HelpWindow(const QString& home, QWidget* parent);

  QTextBrowser* browser() const { return browser_; }

 private:
  QTextBrowser* browser_ = nullptr;
};

// The first help page: docs/getting-started.html found beside the installed program
// (../share/nvk-k7lq/docs), beside the binary, or in the source tree above the build folder.
// Empty when none is there.
QString findHelpHome(const QString& binaryFolder);

}  // namespace nvk::app::qt
