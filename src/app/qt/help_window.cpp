#include "app/qt/help_window.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace nvk::app::qt {

HelpWindow::HelpWindow(const QString& home, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(tr("Help in using NVK_K7LQ_USB"));
  auto* layout = new QVBoxLayout(this);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  // Links to other pages of the help open here; a web address goes to the desktop's browser.
  browser_->setOpenExternalLinks(true);
  browser_->setSearchPaths({QFileInfo(home).absolutePath()});
  browser_->setSource(QUrl::fromLocalFile(home));
  layout->addWidget(browser_);

  auto* buttons = new QDialogButtonBox(this);
  auto* homeButton = buttons->addButton(tr("&Home"), QDialogButtonBox::ActionRole);
  auto* back = buttons->addButton(tr("&Back"), QDialogButtonBox::ActionRole);
  auto* forward = buttons->addButton(tr("&Forward"), QDialogButtonBox::ActionRole);
  auto* close = buttons->addButton(QDialogButtonBox::Close);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(homeButton, &QPushButton::clicked, browser_, &QTextBrowser::home);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  layout->addWidget(buttons);
  // Fits the program's 1024 x 768 frame beside the main window's menus.
  resize(760, 640);
}

QString findHelpHome(const QString& binaryFolder) {
  const QDir bin(binaryFolder);
  for (const char* folder :
       {"../share/nvk-k7lq/docs", "docs", "../docs", "../../docs", "../../../docs"}) {
    const QFileInfo candidate(bin.filePath(QString::fromLatin1(folder) + "/getting-started.html"));
    if (candidate.exists()) return candidate.canonicalFilePath();
  }
  return {};
}

}  // namespace nvk::app::qt
