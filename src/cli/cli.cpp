#include "cli/cli.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "base/messages.h"
#include "files/open_image.h"
#include "platform/data_root.h"
#include "scope/indi_mount.h"
#include "settings/preferences.h"
#include "settings/settings_file.h"

namespace nvk::cli {
namespace {

// The dispatch table of the tool: one line per command.
constexpr std::array kCommands{
    CliCommand{"paths", "paths", runPathsCommand},
    CliCommand{"settings", "settings show | settings set NAME VALUE", runSettingsCommand},
    CliCommand{"info", "info FILE", runInfoCommand},
    CliCommand{"convert", "convert IN OUT --as raw|flat|fits|fits8|rgbfits|tiff|tiff16",
               runConvertCommand},
    CliCommand{"scope", "scope goto|move|focus ... [--indi HOST:PORT[,MOUNT[,FOCUSER]]]",
               runScopeCommand},
    CliCommand{"devices", "devices", runDevicesCommand},
    CliCommand{"camera", "camera firmware|temperature|cool SETPOINT|off [--wait S]|filter N",
               runCameraCommand},
    CliCommand{"process", "process IN OUT OP... (normal:B:W, median:R:Q, dark:FILE, ...)",
               runProcessCommand},
    CliCommand{"photometry", "photometry FILE X Y [R1 R2 R3]", runPhotometryCommand},
    CliCommand{"capture", "capture --mode M --exposure V[q|h|t|s|m] [--count N] ... OUT",
               runCaptureCommand},
    CliCommand{"guide",
               "guide train [--head] | run --minutes M [--head] [--ao] (--simulate) [--indi ...]",
               runGuideCommand},
    CliCommand{"guidelog", "guidelog FILE [--plot OUT.png] [--section N]", runGuidelogCommand},
};

void printUsage(std::ostream& err) {
  err << "usage: nvk-k7lq-cli [--root DIR] [--simulate] [--realtime] COMMAND [ARGS...]\n"
         "  (--download-time after --simulate: the simulated camera takes the real camera's\n"
         "  4-5 s to deliver a full frame)\n"
         "  (--indi HOST:PORT[,MOUNT[,FOCUSER]] before the command or after scope and guide: an\n"
         "  INDI mount and focuser)\n"
         "commands:\n";
  for (const auto& c : kCommands)
    err << "  " << c.usage << '\n';
}

rig::RigOptions rigOptions(const CliOptions& options) {
  rig::RigOptions rig{options.dataRoot, options.simulate,
                      options.realtime ? rig::ClockKind::Real : rig::ClockKind::Virtual};
  rig.simulation.downloadTime = options.downloadTime;
  return rig;
}

}  // namespace

CliSession::CliSession(const CliOptions& options, std::ostream& out, std::ostream& err)
    : options_(options),
      out_(out),
      err_(err),
      ui_(err),
      rig_(std::make_unique<rig::Rig>(rigOptions(options_), ui_)) {
  // The preferences file decides, among others, which FITS keywords a save writes.
  settings::showPreferencesProblems(ui_, program().paths().preferencesFile(),
                                    program().loadPreferencesFile());
}

platform::PtyMount* CliSession::simulatedMount() {
  return options_.simulate ? &mount() : nullptr;
}

CliSession::~CliSession() = default;

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliOptions options;
  std::string indi;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--root") {
      if (i + 1 >= args.size()) {
        err << "--root needs a folder\n";
        return 2;
      }
      options.dataRoot = args[++i];
    } else if (a == "--simulate") {
      options.simulate = true;
    } else if (a == "--realtime") {
      options.realtime = true;
    } else if (a == "--download-time") {
      options.downloadTime = true;
    } else if (a == "--indi") {
      if (i + 1 >= args.size()) {
        err << "--indi needs HOST:PORT[,MOUNT[,FOCUSER]]\n";
        return 2;
      }
      indi = args[++i];
      options.realtime = true;
    } else if (a == "--help" || a == "-h") {
      printUsage(out);
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "unknown option '" << a << "'\n";
      printUsage(err);
      return 2;
    } else {
      break;
    }
  }
  if (i >= args.size()) {
    printUsage(err);
    return 2;
  }
  if (options.dataRoot.empty()) options.dataRoot = platform::defaultDataRoot();

  // An INDI server keeps real time: a command that talks to one waits on the machine's clock.
  if (std::find(args.begin() + static_cast<std::ptrdiff_t>(i), args.end(), "--indi") != args.end())
    options.realtime = true;

  const std::string_view name = args[i];
  for (const auto& command : kCommands) {
    if (name == command.name) {
      CliSession session(options, out, err);
      session.setIndiOption(indi);
      return command.run(session, CommandArgs(args).subspan(i + 1));
    }
  }
  err << "unknown command '" << name << "'\n";
  printUsage(err);
  return 2;
}

bool takeIndiOption(CliSession& session, std::vector<std::string>& args, bool& given) {
  const auto option = std::find(args.begin(), args.end(), "--indi");
  given = option != args.end() || !session.indiOption().empty();
  if (!given) return true;
  if (option != args.end() && option + 1 == args.end()) {
    session.err() << "--indi needs HOST:PORT[,MOUNT[,FOCUSER]]\n";
    return false;
  }
  const std::string text = option == args.end() ? session.indiOption() : *(option + 1);
  const auto address = scope::parseIndiAddress(text);
  if (!address) {
    session.err() << "--indi: '" << text << "' is not HOST:PORT[,MOUNT[,FOCUSER]]\n";
    return false;
  }
  if (option != args.end()) args.erase(option, option + 2);
  auto& preferences = session.program().preferences;
  preferences.indiEnabled = true;
  preferences.indiHost = address->host;
  preferences.indiPort = address->port;
  preferences.indiMount = address->mount;
  preferences.indiFocuser = address->focuser;
  return true;
}

bool inputFileReadable(port::Ui& ui, const std::filesystem::path& file) {
  std::error_code ec;
  const auto status = std::filesystem::status(file, ec);
  std::string reason;
  if (status.type() == std::filesystem::file_type::not_found) {
    reason = "does not exist";
  } else if (ec) {
    reason = "cannot be reached: " + ec.message();
  } else if (std::filesystem::is_directory(status)) {
    reason = "is a folder, not a file";
  } else {
    errno = 0;
    if (std::ifstream(file, std::ios::binary)) return true;
    const int error = errno;
    reason = error != 0 ? "cannot be read: " + std::generic_category().message(error)
                        : std::string("cannot be read");
  }
  std::string text(base::messageText(base::Message::KrFileOpenFailed));
  text += "\n'" + file.string() + "' " + reason;
  ui.showMessage(base::kMessageTitle, text);
  return false;
}

bool openInputImage(CliSession& session, const std::string& path) {
  auto& program = session.program();
  if (!inputFileReadable(program.ui(), path)) return false;
  std::error_code ec;
  if (std::filesystem::exists(program.paths().settingsFile(), ec) &&
      program.loadSettingsFile() != settings::SettingsStatus::Ok) {
    base::ShowMessage(program.ui(), base::Message::UnableToLoadIni);
    return false;
  }
  const auto opened = files::openImageFile(program, path);
  if (!opened.loaded) return false;
  if (opened.kind == files::FileKind::HotPixelMap) {
    session.err() << "a hot pixel map is not an image\n";
    return false;
  }
  return true;
}

}  // namespace nvk::cli
