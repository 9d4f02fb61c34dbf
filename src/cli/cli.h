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
  // The simulated camera takes the real camera's time to deliver a frame.
  bool downloadTime = false;
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
  // --indi before the command: the INDI server and devices of the scope and guide commands.
  void setIndiOption(std::string text) { indiOption_ = std::move(text); }
  const std::string& indiOption() const { return indiOption_; }

 private:
  CliOptions options_;
  std::ostream& out_;
  std::ostream& err_;
  ConsoleUi ui_;
  std::unique_ptr<rig::Rig> rig_;
  std::string indiOption_;
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

// Takes "--indi HOST:PORT[,MOUNT[,FOCUSER]]" out of `args` (or from before the command, when
// `args` has none): the INDI mount on that server
// becomes the session's telescope drive (for this run; the preferences file is left as it is).
// Returns false, with the reason written, for a malformed value; `given` says whether the
// option was there. A command line that has the option runs on the real clock (runCli), since
// the server keeps real time.
bool takeIndiOption(CliSession& session, std::vector<std::string>& args, bool& given);

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
int runGuidelogCommand(CliSession& session, CommandArgs args);

// The settings a guide run of the tool uses instead of the settings file's, so that its
// figures do not depend on what the user saved: pulses on the camera's guide outputs (the
// autoguider socket) with the AO unit on camera serial port 1, a star box of radius 9, guide
// rates of 7 pixels per second (the simulated guiding sky's 7.5 in whole pixels), 4 s guide-head
// and 1 s main-camera training moves, and 0.3 s exposures on both cameras. A session on the
// same simulated hardware with these settings trains to the same rates.
void useGuideRunSettings(app::Program& program);

}  // namespace nvk::cli
