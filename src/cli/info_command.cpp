#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "files/open_image.h"
#include "image/image_state.h"

namespace nvk::cli {
namespace {

std::string number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

}  // namespace

// Opens FILE as File > Open does and prints what the program made of it; a refusal prints the
// program's message on the error stream.
int runInfoCommand(CliSession& session, CommandArgs args) {
  if (args.size() != 1) {
    session.err() << "usage: nvk-k7lq-cli info FILE\n";
    return 2;
  }
  auto& program = session.program();
  if (!inputFileReadable(program.ui(), args[0])) return 1;
  const auto result = files::openImageFile(program, args[0]);
  if (!result.loaded) return 1;
  auto& out = session.out();
  out << "kind: " << files::fileKindName(result.kind) << '\n';
  if (result.kind == files::FileKind::HotPixelMap) {
    out << "count: " << program.hotPixelMap.entries.size() << '\n';
    return 0;
  }
  const auto& g = program.geometry;
  const auto& s = program.state;
  out << "geometry: " << g.width << " x " << g.height << (s.binned ? " (binned)" : " (full)")
      << '\n'
      << "readoutMode: " << static_cast<int>(s.readoutMode) << '\n'
      << "modeCode: " << s.modeCode << '\n'
      << "colour converted: " << (s.colourConverted ? "yes" : "no") << '\n';
  if (result.kind != files::FileKind::Fits) return 0;
  const auto& f = program.fits;
  out << "OBJECT: " << f.object << '\n'
      << "TELESCOP: " << f.telescope << '\n'
      << "INSTRUME: " << f.instrument << '\n'
      << "OBSERVER: " << f.observer << '\n'
      << "ORIGIN: " << f.origin << '\n'
      << "DATE-OBS: " << f.dateObs << '\n'
      << "TIME-OBS: " << f.timeObs << '\n';
  for (int slot = 0; slot < image::ProcessingHistory::kSlots; ++slot) {
    if (!program.history.slot(slot).empty()) {
      out << "history " << slot + 1 << ": " << program.history.slot(slot) << '\n';
    }
  }
  out << "HISTORY text: " << f.historyText << '\n'
      << "COMMENT text: " << f.commentText << '\n'
      << "PIXWIDTH: " << number(f.pixelWidth) << '\n'
      << "PIXHEIGH: " << number(f.pixelHeight) << '\n'
      << "EXPTIME: " << number(f.exposureSeconds) << '\n'
      << "FOCALLEN: " << number(f.focalLength) << '\n'
      << "APERTURE: " << number(f.aperture) << '\n'
      << "FILTER: " << f.filter << '\n';
  return 0;
}

}  // namespace nvk::cli
