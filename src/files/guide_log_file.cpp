#include "files/guide_log_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace nvk::files {
namespace {

constexpr std::string_view kVersionStart = "PHD2 version";
constexpr std::string_view kCalibrationBegins = "Calibration Begins at ";
constexpr std::string_view kGuidingBegins = "Guiding Begins at ";
constexpr std::string_view kGuidingEnds = "Guiding Ends at";
constexpr std::string_view kPixelScale = "Pixel scale = ";
constexpr std::string_view kMount = "Mount = ";
constexpr std::string_view kInfo = "INFO: ";
constexpr std::string_view kCalibrationComplete = "Calibration complete";
constexpr std::string_view kAxisComplete = " calibration complete.";
constexpr int kNightStartHour = 12;

std::string fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string letter(char c) {
  return c == 0 ? std::string() : std::string(1, c);
}

std::string optionalInt(const std::optional<int>& v) {
  return v ? std::to_string(*v) : std::string();
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The comma-separated fields of a row; a quoted field loses its quotes and may hold commas.
std::vector<std::string> splitRow(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

bool parseDouble(std::string_view text, double& value) {
  if (text.empty()) {
    value = 0.0;  // an empty number is a value the row leaves out
    return true;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// The columns a frame row is read by, found by name in the header line.
struct FrameColumns {
  static constexpr std::array kNames{"Frame",
                                     "Time",
                                     "mount",
                                     "dx",
                                     "dy",
                                     "RARawDistance",
                                     "DECRawDistance",
                                     "RAGuideDistance",
                                     "DECGuideDistance",
                                     "RADuration",
                                     "RADirection",
                                     "DECDuration",
                                     "DECDirection",
                                     "XStep",
                                     "YStep",
                                     "StarMass",
                                     "SNR",
                                     "ErrorCode"};
  std::array<int, kNames.size()> index{};

  // False when a column the figures need is missing.
  bool read(std::string_view header) {
    const auto names = splitRow(header);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      const auto at = std::find(names.begin(), names.end(), kNames[i]);
      index[i] = at == names.end() ? -1 : static_cast<int>(at - names.begin());
    }
    return index[0] >= 0 && index[1] >= 0 && index[2] >= 0 && index[5] >= 0 && index[6] >= 0;
  }
  std::string_view field(const std::vector<std::string>& row, std::size_t column) const {
    const int i = index[column];
    return i >= 0 && static_cast<std::size_t>(i) < row.size() ? std::string_view(row[i])
                                                              : std::string_view();
  }
};

std::optional<GuideLogFrame> parseFrameRow(const std::vector<std::string>& row,
                                           const FrameColumns& columns) {
  GuideLogFrame f;
  double frame = 0, raMs = 0, decMs = 0, errorCode = 0;
  double* numbers[] = {&frame,    &f.timeSeconds, nullptr,     &f.dx,       &f.dy,   &f.raRaw,
                       &f.decRaw, &f.raGuide,     &f.decGuide, &raMs,       nullptr, &decMs,
                       nullptr,   nullptr,        nullptr,     &f.starMass, &f.snr,  &errorCode};
  for (std::size_t c = 0; c < FrameColumns::kNames.size(); ++c) {
    if (numbers[c] != nullptr && !parseDouble(columns.field(row, c), *numbers[c]))
      return std::nullopt;
  }
  f.frame = static_cast<int>(frame);
  f.mount = std::string(columns.field(row, 2));
  f.raDurationMs = static_cast<int>(raMs);
  f.decDurationMs = static_cast<int>(decMs);
  f.errorCode = static_cast<int>(errorCode);
  const auto ra = columns.field(row, 10);
  const auto dec = columns.field(row, 12);
  f.raDirection = ra.empty() ? 0 : ra[0];
  f.decDirection = dec.empty() ? 0 : dec[0];
  for (const std::size_t c : {13u, 14u}) {
    double step = 0;
    const auto text = columns.field(row, c);
    if (text.empty()) continue;
    if (!parseDouble(text, step)) return std::nullopt;
    (c == 13 ? f.xStep : f.yStep) = static_cast<int>(step);
  }
  return f;
}

std::optional<GuideLogCalibrationStep> parseCalibrationRow(const std::vector<std::string>& row) {
  if (row.size() < 6) return std::nullopt;
  GuideLogCalibrationStep s;
  s.direction = row[0];
  double step = 0;
  if (!parseDouble(row[1], step) || !parseDouble(row[2], s.dx) || !parseDouble(row[3], s.dy) ||
      !parseDouble(row[4], s.x) || !parseDouble(row[5], s.y))
    return std::nullopt;
  s.step = static_cast<int>(step);
  return s;
}

bool isCalibrationDirection(std::string_view word) {
  return word == "West" || word == "East" || word == "Backlash" || word == "North" ||
         word == "South";
}

}  // namespace

std::string guideLogFrameRow(const GuideLogFrame& f) {
  return std::to_string(f.frame) + ',' + fixed(f.timeSeconds, 3) + ",\"" + f.mount + "\"," +
         fixed(f.dx, 3) + ',' + fixed(f.dy, 3) + ',' + fixed(f.raRaw, 3) + ',' +
         fixed(f.decRaw, 3) + ',' + fixed(f.raGuide, 3) + ',' + fixed(f.decGuide, 3) + ',' +
         std::to_string(f.raDurationMs) + ',' + letter(f.raDirection) + ',' +
         std::to_string(f.decDurationMs) + ',' + letter(f.decDirection) + ',' +
         optionalInt(f.xStep) + ',' + optionalInt(f.yStep) + ',' + fixed(f.starMass, 0) + ',' +
         fixed(f.snr, 2) + ',' + std::to_string(f.errorCode);
}

std::string guideLogCalibrationRow(const GuideLogCalibrationStep& s) {
  return s.direction + ',' + std::to_string(s.step) + ',' + fixed(s.dx, 3) + ',' + fixed(s.dy, 3) +
         ',' + fixed(s.x, 3) + ',' + fixed(s.y, 3) + ',' + fixed(std::hypot(s.dx, s.dy), 3);
}

std::string guideLogTimeText(const CivilTime& t) {
  return dateObsText(t) + ' ' + timeObsText(t);
}

CivilTime guideLogNight(const CivilTime& local) {
  CivilTime night = local.hour < kNightStartHour ? addHours(local, -24) : local;
  night.hour = kNightStartHour;
  night.minute = 0;
  night.second = 0;
  return night;
}

std::string guideLogFileName(const CivilTime& night) {
  char text[64];
  std::snprintf(text, sizeof text, "PHD2_GuideLog_%04d-%02d-%02d_%02d%02d%02d.txt", night.year,
                night.month, night.day, night.hour, night.minute, night.second);
  return text;
}

GuideLogParse parseGuideLog(std::string_view text) {
  GuideLogContents log;
  enum class In { Nothing, Calibration, Guiding } in = In::Nothing;
  FrameColumns columns;
  bool haveColumns = false;
  int lineNumber = 0;
  auto refuse = [&](std::string_view why) {
    return GuideLogParse{std::nullopt,
                         "line " + std::to_string(lineNumber) + ": " + std::string(why)};
  };
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (lineNumber == 1) {
      if (!startsWith(line, kVersionStart) || line.find("Log version") == std::string_view::npos)
        return refuse("not a guide log (no \"PHD2 version ..., Log version ...\" line)");
      log.versionLine = std::string(line);
      continue;
    }
    if (line.empty()) {
      in = In::Nothing;  // a blank line ends a section
      continue;
    }
    if (startsWith(line, kCalibrationBegins)) {
      in = In::Calibration;
      log.calibrations.push_back({std::string(line.substr(kCalibrationBegins.size())), {}, {}});
      continue;
    }
    if (startsWith(line, kGuidingBegins)) {
      in = In::Guiding;
      haveColumns = false;
      log.guiding.emplace_back();
      log.guiding.back().beganAt = std::string(line.substr(kGuidingBegins.size()));
      continue;
    }
    if (in == In::Calibration) {
      auto& c = log.calibrations.back();
      const auto row = splitRow(line);
      if (isCalibrationDirection(row[0]) && row.size() >= 6) {
        const auto step = parseCalibrationRow(row);
        if (!step) return refuse("a calibration row with a field that is not a number");
        c.steps.push_back(*step);
      } else if (line.find(kAxisComplete) != std::string_view::npos) {
        c.axisResults.emplace_back(line);
      } else if (startsWith(line, kCalibrationComplete)) {
        c.complete = true;
      }
      continue;
    }
    if (in != In::Guiding) continue;
    auto& s = log.guiding.back();
    if (startsWith(line, "Frame,")) {
      haveColumns = columns.read(line);
      if (!haveColumns) return refuse("a frame header without the columns the figures need");
    } else if (line[0] >= '1' && line[0] <= '9') {
      if (!haveColumns) return refuse("a frame row before the frame header");
      const auto row = splitRow(line);
      const std::string_view kind = columns.field(row, 2);
      if (kind == "DROP") {
        ++s.droppedFrames;
        continue;
      }
      auto frame = parseFrameRow(row, columns);
      if (!frame) return refuse("a frame row with a field that is not a number");
      s.frames.push_back(std::move(*frame));
    } else if (startsWith(line, kInfo)) {
      s.infos.emplace_back(line.substr(kInfo.size()));
    } else if (startsWith(line, kPixelScale)) {
      double scale = 0;
      const auto number = line.substr(kPixelScale.size());
      const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), scale);
      if (ec == std::errc() && scale > 0) s.arcsecPerPixel = scale;
    } else if (startsWith(line, kMount)) {
      const auto name = line.substr(kMount.size());
      s.mount = std::string(name.substr(0, name.find(',')));
    } else if (startsWith(line, kGuidingEnds)) {
      s.ended = true;
    }
  }
  if (lineNumber == 0) return refuse("not a guide log (the file is empty)");
  return {std::move(log), {}};
}

GuideLogStats guideLogStats(const GuideLogSection& section) {
  GuideLogStats stats;
  double ra2 = 0, dec2 = 0;
  for (const auto& f : section.frames) {
    ra2 += f.raRaw * f.raRaw;
    dec2 += f.decRaw * f.decRaw;
    const double distance = std::hypot(f.raRaw, f.decRaw);
    if (distance > stats.worst || stats.frames == 0) {
      stats.worst = distance;
      stats.worstFrame = f.frame;
      stats.worstTimeSeconds = f.timeSeconds;
    }
    ++stats.frames;
  }
  if (stats.frames == 0) return stats;
  stats.rmsRa = std::sqrt(ra2 / stats.frames);
  stats.rmsDec = std::sqrt(dec2 / stats.frames);
  stats.rmsTotal = std::sqrt((ra2 + dec2) / stats.frames);
  return stats;
}

}  // namespace nvk::files
