#include "app/main_window_model.h"

#include "app/display_builder.h"
#include "app/measure_commands.h"
#include "files/file_commands.h"
#include "process/measure_merge.h"
#include "scope/mount_factory.h"

namespace nvk::app {

MainWindowModel::MainWindowModel(Program& program, WindowActions& window)
    : program_(program), context_{program, window} {}

bool MainWindowModel::run(int id) {
  return dispatchCommand(context_, id);
}

std::vector<MainWindowModel::CommandState> MainWindowModel::commandStates() const {
  std::vector<CommandState> states;
  for (const CommandInfo& command : commandTable()) {
    states.push_back(
        {command.id, isCommandEnabled(command, context_), isCommandChecked(command, context_)});
  }
  return states;
}

bool MainWindowModel::fullSizeDisplay() const {
  return !program_.halfSizeDisplay;
}

void MainWindowModel::showFullSize() {
  if (program_.halfSizeDisplay) run(cmd::kHalfSizeDisplay);
}

bool MainWindowModel::telescopeButtonShown() const {
  return scope::telescopeDriveChosen(program_);
}

std::string MainWindowModel::statusText() const {
  if (program_.measure.active == process::MeasureTool::Merging)
    return std::string(process::mergePrompt(program_.measure.merge.step));
  return kStatusText;
}

settings::WindowBackground MainWindowModel::background() const {
  return program_.settings.windowBackground;
}

void MainWindowModel::buildPicture() {
  buildDisplayImage(program_);
}

MainWindowModel::ClickResult MainWindowModel::click(PickMode waiting, int x, int y,
                                                    bool rightButton) {
  if (measure_commands::pick(context_, x, y, rightButton)) return {true, waiting};
  if (rightButton || waiting == PickMode::None) return {false, waiting};
  return {false, pickAt(program_, waiting, x, y)};
}

void MainWindowModel::reportPrintFailure() {
  program_.ui().showMessage(kApplicationTitle, "Unable to print the picture");
}

bool MainWindowModel::mayClose() {
  return files::settleUnsavedImage(program_);
}

void MainWindowModel::closeDevices() {
  program_.camera().disconnect();
}

}  // namespace nvk::app
