#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>

#include "base/parse_int.h"
#include "cli/cli.h"
#include "cli/guide_plot.h"
#include "files/guide_log_file.h"

namespace nvk::cli {
namespace {

constexpr const char* kUsage = "usage: nvk-k7lq-cli guidelog FILE [--plot OUT.png] [--section N]\n";

struct GuidelogArgs {
  std::string file;
  std::string plot;
  std::optional<int> section;  // counted from 1; the last one when not given
};

std::optional<GuidelogArgs> parse(CommandArgs args) {
  GuidelogArgs g;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--plot" && i + 1 < args.size()) {
      g.plot = args[++i];
    } else if (args[i] == "--section" && i + 1 < args.size()) {
      g.section = base::parseIntIn(args[++i], 1, std::numeric_limits<int>::max());
      if (!g.section) return std::nullopt;
    } else if (g.file.empty() && !args[i].starts_with("--")) {
      g.file = args[i];
    } else {
      return std::nullopt;
    }
  }
  if (g.file.empty()) return std::nullopt;
  return g;
}

// "0.123 px" and, when the scale is known, " (0.25 arcsec)".
std::string distance(double px, const std::optional<double>& arcsecPerPixel) {
  char text[64];
  if (arcsecPerPixel) {
    std::snprintf(text, sizeof text, "%.3f px (%.2f arcsec)", px, px * *arcsecPerPixel);
  } else {
    std::snprintf(text, sizeof text, "%.3f px", px);
  }
  return text;
}

void printCalibration(std::ostream& out, int number, const files::GuideLogCalibration& c) {
  out << "calibration " << number << ", begun " << c.beganAt << ": " << c.steps.size() << " moves, "
      << (c.complete ? "complete" : "not complete") << '\n';
  for (const auto& line : c.axisResults)
    out << "  " << line << '\n';
}

void printGuiding(std::ostream& out, int number, const files::GuideLogSection& s) {
  const files::GuideLogStats stats = files::guideLogStats(s);
  out << "guiding " << number << ", begun " << s.beganAt << ": " << stats.frames << " frames, "
      << s.droppedFrames << " dropped";
  if (s.arcsecPerPixel) {
    char scale[48];
    std::snprintf(scale, sizeof scale, ", %.2f arcsec/px", *s.arcsecPerPixel);
    out << scale;
  }
  out << (s.ended ? "" : ", no end line") << '\n';
  if (stats.frames == 0) return;
  const auto& scale = s.arcsecPerPixel;
  char when[64];
  std::snprintf(when, sizeof when, " at frame %d (%.1f s)", stats.worstFrame,
                stats.worstTimeSeconds);
  out << "  RMS RA " << distance(stats.rmsRa, scale) << ", Dec " << distance(stats.rmsDec, scale)
      << ", total " << distance(stats.rmsTotal, scale) << '\n'
      << "  worst " << distance(stats.worst, scale) << when << '\n';
  for (const auto& info : s.infos)
    out << "  INFO: " << info << '\n';
}

}  // namespace

// Reads a guide log (the program's own or any other in the same layout) and prints, for each
// calibration, its moves and results, and for each guiding section the RMS distance from the
// lock position along R.A., Dec. and in total and the worst distance; `--plot` draws one guiding
// section's R.A. and Dec. distances over time into a PNG.
int runGuidelogCommand(CliSession& session, CommandArgs args) {
  const auto parsed = parse(args);
  if (!parsed) {
    session.err() << kUsage;
    return 2;
  }
  std::ifstream in(parsed->file, std::ios::binary);
  if (!in) {
    session.err() << "guidelog: cannot read " << parsed->file << '\n';
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const files::GuideLogParse read = files::parseGuideLog(text.str());
  if (!read.log) {
    session.err() << "guidelog: " << parsed->file << ": " << read.error << '\n';
    return 1;
  }
  const files::GuideLogContents& log = *read.log;
  auto& out = session.out();
  out << parsed->file << '\n';
  int number = 0;
  for (const auto& c : log.calibrations)
    printCalibration(out, ++number, c);
  number = 0;
  for (const auto& s : log.guiding)
    printGuiding(out, ++number, s);
  if (log.calibrations.empty() && log.guiding.empty()) out << "no calibration or guiding\n";
  if (parsed->plot.empty()) return 0;

  const int count = static_cast<int>(log.guiding.size());
  const int chosen = parsed->section.value_or(count);
  if (chosen < 1 || chosen > count) {
    session.err() << "guidelog: there is no guiding section " << chosen << " to plot (the log has "
                  << count << ")\n";
    return 1;
  }
  const auto& section = log.guiding[static_cast<std::size_t>(chosen - 1)];
  const files::GuideLogStats stats = files::guideLogStats(section);
  char title[160];
  std::snprintf(title, sizeof title,
                "Guiding %d, begun %s: RMS RA %.3f px, Dec %.3f px, total %.3f px", chosen,
                section.beganAt.c_str(), stats.rmsRa, stats.rmsDec, stats.rmsTotal);
  std::string error;
  if (!writeGuidePlot(section, title, parsed->plot, error)) {
    session.err() << "guidelog: " << error << '\n';
    return 1;
  }
  out << "plot of guiding " << chosen << ": " << parsed->plot << '\n';
  return 0;
}

}  // namespace nvk::cli
