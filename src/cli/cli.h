#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "app/program.h"
#include "cli/console_ui.h"
#include "port/clock.h"
#include "rig/rig.h"

namespace nvk::sim {
class SimulatedDevices;
}
namespace nvk::platform {
class PtyMount;
}

namespace nvk::cli {

struct CliOptions {
  std::filesystem::path dataRoot;
  bool simulate = false;
  bool realtime = false;
};

// What a command of the tool works with: the program object on a console Ui. Without
// --realtime the clock is virtual, so simulated exposures and guiding runs take no real time.
class CliSession {
 public:
  CliSession(const CliOptions& options, std::ostream& out, std::ostream& err);
  ~CliSession();

  const CliOptions& options() const { return options_; }
  port::Clock& clock() { return rig_->clock(); }
  ConsoleUi& ui() { return ui_; }
  app::Program& program() { return rig_->program(); }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }
  // The simulated devices when --simulate was given, else nullptr.
  sim::SimulatedDevices* simulator() { return rig_->simulator(); }
  // The mount, attached on first use for the rest of the session: the real one on the PC port
  // and the camera's commands, or with --simulate the simulated mount on the simulated camera's
  // telescope port and guide outputs and behind a pseudo-terminal for the PC route, driving the
  // simulated sky.
  platform::PtyMount& mount() { return rig_->mount(); }
  // The simulated mount as mount() attaches it; nullptr without --simulate.
  platform::PtyMount* simulatedMount();

 private:
  CliOptions options_;
  std::ostream& out_;
  std::ostream& err_;
  ConsoleUi ui_;
  std::unique_ptr<rig::Rig> rig_;
};

using CommandArgs = std::span<const std::string>;

// One command of the tool: `run` gets the words after the command's name and returns the exit
// status.
struct CliCommand {
  const char* name;
  const char* usage;
  int (*run)(CliSession& session, CommandArgs args);
};

// Runs the tool on `args` (without the program name). Returns the exit status.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Opens the input image of a command that reads one: loads the settings file first when there
// is one (message 23 when it is bad), then opens the file and refuses a hot pixel map. False
// when nothing usable was opened; the message has been shown.
bool openInputImage(CliSession& session, const std::string& path);

// Shows "Failed to Open KR File" with the path and the reason (it does not exist, it is a
// folder, the system refuses to read it) when `file` cannot be opened for reading, and gives
// false then; true when it can be opened. The commands check each file they are given with it,
// so the message says which one failed and why.
bool inputFileReadable(port::Ui& ui, const std::filesystem::path& file);

// The commands (each defined in its own file).
int runPathsCommand(CliSession& session, CommandArgs args);
int runSettingsCommand(CliSession& session, CommandArgs args);
int runInfoCommand(CliSession& session, CommandArgs args);
int runConvertCommand(CliSession& session, CommandArgs args);
int runScopeCommand(CliSession& session, CommandArgs args);
int runDevicesCommand(CliSession& session, CommandArgs args);
int runCameraCommand(CliSession& session, CommandArgs args);
int runProcessCommand(CliSession& session, CommandArgs args);
int runPhotometryCommand(CliSession& session, CommandArgs args);
int runCaptureCommand(CliSession& session, CommandArgs args);
int runGuideCommand(CliSession& session, CommandArgs args);

}  // namespace nvk::cli
