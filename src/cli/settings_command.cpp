#include <fstream>
#include <iterator>
#include <vector>

#include "app/messages.h"
#include "cli/cli.h"
#include "image/defaults_dialog.h"
#include "image/settings_file.h"

namespace nvk::cli {
namespace {

constexpr int kNoSettingsFileMessage = 1;
constexpr int kLoadFailedMessage = 23;
constexpr int kSaveFailedMessage = 24;
constexpr int kInvalidDirectoryMessage = 52;

bool readBytes(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

int show(CliSession& session) {
  auto& program = session.program();
  std::vector<std::uint8_t> bytes;
  if (!readBytes(program.paths().settingsFile(), bytes)) {
    // No file yet: show what a fresh one holds.
    session.err() << app::messageText(kNoSettingsFileMessage) << '\n';
    bytes = image::encodeSettings(program.settings, program.fits);
  }
  if (!image::printSettingsFields(bytes, session.out())) {
    session.err() << app::messageText(kLoadFailedMessage) << '\n';
    return 1;
  }
  return 0;
}

int set(CliSession& session, const std::string& name, const std::string& value) {
  auto& program = session.program();
  std::error_code ec;
  const bool existed = std::filesystem::exists(program.paths().settingsFile(), ec);
  if (program.loadSettingsFile() != image::SettingsStatus::Ok && existed) {
    // A damaged file is left as it is rather than overwritten with half-read values.
    session.err() << app::messageText(kLoadFailedMessage) << '\n';
    return 1;
  }
  if (name == "autosaveDirectory") {
    const auto normalised = image::normaliseAutosaveDirectory(value);
    if (!normalised || !image::autosaveDirectoryUsable(program.paths(), *normalised)) {
      session.err() << app::messageText(kInvalidDirectoryMessage) << '\n';
      return 1;
    }
    const bool isDefault =
        program.paths().resolveAutosaveDirectory(*normalised) == program.paths().autosaveFolder();
    program.settings.autosaveDirectory = isDefault ? std::string() : *normalised;
  } else if (const std::string error =
                 image::setSettingsField(name, value, program.settings, program.fits);
             !error.empty()) {
    session.err() << "Cannot set " << name << " to '" << value << "': " << error << '\n';
    return 1;
  }
  if (program.saveSettingsFile() != image::SettingsStatus::Ok) {
    session.err() << app::messageText(kSaveFailedMessage) << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

int runSettingsCommand(CliSession& session, CommandArgs args) {
  if (args.size() == 1 && args[0] == "show") return show(session);
  if (args.size() == 3 && args[0] == "set") return set(session, args[1], args[2]);
  session.err() << "usage: nvk-k7lq-cli settings show\n"
                   "       nvk-k7lq-cli settings set NAME VALUE\n"
                   "names:";
  for (const auto& name : image::settingsFieldNames())
    session.err() << ' ' << name;
  session.err() << '\n';
  return 2;
}

}  // namespace nvk::cli
