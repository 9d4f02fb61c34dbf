#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace nvk::app::qt::test {

// Answers the modal message boxes that appear while it lives: records each box's title and
// text and presses its OK button.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      seen.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
      box->accept();
    });
    timer_.start();
  }
  struct Seen {
    std::string title;
    std::string text;
  };
  std::vector<Seen> seen;

 private:
  QTimer timer_;
};

}  // namespace nvk::app::qt::test
