#pragma once

#include <string>
#include <vector>

#include "app/command_map.h"

namespace nvk::app::test {

// A WindowActions that records what the handlers asked of the window.
class FakeWindow final : public WindowActions {
 public:
  void setDocumentTitle(std::string_view title) override { title_ = title; }
  std::string documentTitle() const override { return title_; }
  void redraw(bool resetScroll) override { redraws.push_back(resetScroll); }
  PickMode pickMode() const override { return pickMode_; }
  void setPickMode(PickMode mode) override { pickMode_ = mode; }
  bool pictureExists() const override { return picture; }
  void copyPicture() override { ++copies; }
  void printSetup() override { ++printSetups; }
  void printPicture() override { ++prints; }
  void showAbout() override { ++abouts; }
  bool openHelp() override {
    ++helps;
    return helpStarts;
  }
  void closeWindow() override { ++closes; }
  void settingsChanged() override { ++settingsChanges; }
  void showToolWindow(ToolWindow window) override { toolWindows.push_back(window); }

  std::string title_;
  std::vector<bool> redraws;
  PickMode pickMode_ = PickMode::None;
  bool picture = false;
  bool helpStarts = true;
  int copies = 0;
  int printSetups = 0;
  int prints = 0;
  int abouts = 0;
  int helps = 0;
  int closes = 0;
  int settingsChanges = 0;
  std::vector<ToolWindow> toolWindows;
};

}  // namespace nvk::app::test
