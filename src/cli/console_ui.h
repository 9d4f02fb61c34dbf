#pragma once

#include <ostream>

#include "port/ui.h"

namespace nvk::cli {

// The Ui of the headless tool: messages go to the error stream as their plain text, dialogs
// are not shown (they close with Cancel) and nothing aborts.
class ConsoleUi final : public port::Ui {
 public:
  explicit ConsoleUi(std::ostream& err) : err_(err) {}

  void showMessage(std::string_view title, std::string_view text) override;
  void beep() override {}
  void openProgress(std::string_view) override {}
  void setProgress(int) override {}
  void setProgressCaption(std::string_view) override {}
  void closeProgress() override {}
  void setBusyCursor(bool) override {}
  void requestRedraw() override {}
  bool pump() override { return false; }
  port::DialogResult runDialog(port::DialogModel&) override { return port::DialogResult::Cancel; }
  std::optional<std::string> openFileDialog(const port::FileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFileDialog(const port::FileDialogRequest&) override {
    return std::nullopt;
  }

  int messageCount() const { return messageCount_; }

 private:
  std::ostream& err_;
  int messageCount_ = 0;
};

}  // namespace nvk::cli
