#include <filesystem>
#include <string_view>

#include "base/messages.h"
#include "cli/cli.h"
#include "files/file_commands.h"
#include "files/fits_file.h"
#include "files/open_image.h"
#include "files/raw_file.h"
#include "files/tiff_file.h"
#include "settings/settings_file.h"

namespace nvk::cli {
namespace {

constexpr const char* kUsage =
    "usage: nvk-k7lq-cli convert IN OUT --as raw|flat|fits|fits8|rgbfits|tiff|tiff16\n";

}  // namespace

// Opens IN as File > Open does and writes OUT as the matching save command does, with the
// settings of the data root (padding, colour saturation) when it has a settings file.
int runConvertCommand(CliSession& session, CommandArgs args) {
  if (args.size() != 4 || args[2] != "--as") {
    session.err() << kUsage;
    return 2;
  }
  const std::string_view as = args[3];
  if (as != "raw" && as != "flat" && as != "fits" && as != "fits8" && as != "rgbfits" &&
      as != "tiff" && as != "tiff16") {
    session.err() << kUsage;
    return 2;
  }
  auto& program = session.program();
  if (!openInputImage(session, args[0])) return 1;

  const std::filesystem::path out = args[1];
  if (as == "fits" || as == "fits8" || as == "rgbfits") files::stampTodayWhenUndated(program);
  files::SaveResult result = files::SaveResult::Refused;
  if (as == "raw") {
    result = files::saveRawFile(program, out);
  } else if (as == "flat") {
    result = files::saveFlatFile(program, out);
  } else if (as == "fits" || as == "fits8") {
    files::FitsSaveOptions options;
    options.eightBit = as == "fits8";
    result = files::saveFitsFile(program, out, options);
  } else if (as == "rgbfits") {
    if (!program.state.colourConverted) {
      base::ShowMessage(program.ui(), base::Message::RgbFitsNeedsColourConverted);
      return 1;
    }
    files::FitsSaveOptions options;
    options.rgb = true;
    result = files::saveFitsFile(program, out, options);
  } else {
    program.settings.tiff16Bit = as == "tiff16";
    result = files::saveTiffFile(program, out);
  }
  return result == files::SaveResult::Saved ? 0 : 1;
}

}  // namespace nvk::cli
