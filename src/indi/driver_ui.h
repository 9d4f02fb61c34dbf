#pragma once

#include <string>
#include <vector>

#include "port/ui.h"

namespace nvk::indi {

// The program's Ui inside the INDI driver: nobody sits at a window, so every message the camera
// code would show is kept for the driver to report as an INDI alert, dialogs are cancelled and
// a long operation is never interrupted by a key press. Used on the camera thread only.
class DriverUi final : public port::Ui {
 public:
  void showMessage(std::string_view title, std::string_view text) override;
  void beep() override {}
  // Nobody is asked: an image the driver read has already gone to the client.
  port::SaveChoice askSaveImage(std::string_view, std::string_view) override {
    return port::SaveChoice::Discard;
  }
  void openProgress(std::string_view, port::Stoppable) override {}
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

  // The messages shown since the last call, one per line, without trailing line breaks;
  // empty when there were none.
  std::string takeMessages();

 private:
  std::vector<std::string> messages_;
};

}  // namespace nvk::indi
