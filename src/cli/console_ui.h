#pragma once

#include <atomic>
#include <ostream>
#include <string>

#include "port/ui.h"
#include "port/virtual_clock.h"

namespace nvk::cli {

// The Ui of the headless tool: messages go to the error stream as their plain text, dialogs
// are not shown (they close with Cancel) and nothing aborts unless a command asks for it.
class ConsoleUi final : public port::Ui {
 public:
  explicit ConsoleUi(std::ostream& err) : err_(err) {}

  // For commands that wait by pumping (the exposure sequence): every pump moves a virtual clock
  // on by one quantum, a raised `abort` flag (Ctrl+C) counts as the user's abort, Esc in the
  // window, and the progress dialog is drawn as a text bar on the error stream.
  void attachPumpClock(port::VirtualClock* clock) { pumpClock_ = clock; }
  void attachAbortFlag(const std::atomic<bool>* abort) { abort_ = abort; }
  void showProgressBar(bool shown) { progressBar_ = shown; }

  void showMessage(std::string_view title, std::string_view text) override;
  void beep() override {}
  // Nobody is there to answer: the image is kept, as a dialog closes with Cancel.
  port::SaveChoice askSaveImage(std::string_view, std::string_view) override {
    return port::SaveChoice::Cancel;
  }
  void openProgress(std::string_view caption,
                    port::Stoppable stoppable = port::Stoppable::No) override;
  void setProgress(int position) override;
  void setProgressCaption(std::string_view caption) override;
  void closeProgress() override;
  void setBusyCursor(bool) override {}
  void requestRedraw() override {}
  bool pump() override;
  port::DialogResult runDialog(port::DialogModel&) override { return port::DialogResult::Cancel; }
  std::optional<std::string> openFileDialog(const port::FileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFileDialog(const port::FileDialogRequest&) override {
    return std::nullopt;
  }

  int messageCount() const { return messageCount_; }

 private:
  void drawProgress();

  std::ostream& err_;
  int messageCount_ = 0;
  port::VirtualClock* pumpClock_ = nullptr;
  const std::atomic<bool>* abort_ = nullptr;
  bool abortSeen_ = false;
  bool progressBar_ = false;
  bool progressOpen_ = false;
  std::string progressCaption_;
  int progressPosition_ = 0;
};

}  // namespace nvk::cli
