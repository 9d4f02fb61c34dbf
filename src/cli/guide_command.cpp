#include <charconv>
#include <cmath>
#include <cstdio>

#include "acquire/main_guiding.h"
#include "cli/cli.h"
#include "scope/guide_camera.h"
#include "scope/guider.h"
#include "scope/indi_mount.h"
#include "scope/mount_factory.h"
#include "settings/settings_file.h"
#include "sim/guiding_rig.h"
#include "sim/sky_mount.h"

namespace nvk::cli {
namespace {

constexpr const char* kUsage =
    "usage: nvk-k7lq-cli --simulate guide train [--head] [--angle DEG]\n"
    "       nvk-k7lq-cli --simulate guide run --minutes M [--head] [--ao] [--angle DEG]\n"
    "       (either with --indi HOST:PORT[,MOUNT]: guide an INDI mount, on the real clock)\n";

// How long the run waits for the INDI mount's slew to the equator.
constexpr std::uint32_t kIndiSlewMs = 300'000;
// The pulses that show which way the INDI mount turns, and the wait for its next report.
constexpr int kProbePulseMs = 1'000;
constexpr std::uint32_t kProbeSettleMs = 600;

struct GuideArgs {
  bool train = false;
  bool head = false;
  bool ao = false;
  double minutes = 0.0;
  double angle = 0.0;
};

bool parseNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

std::optional<GuideArgs> parse(CommandArgs args) {
  if (args.empty() || (args[0] != "train" && args[0] != "run")) return std::nullopt;
  GuideArgs g;
  g.train = args[0] == "train";
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--head") {
      g.head = true;
    } else if (args[i] == "--ao" && !g.train) {
      g.ao = g.head = true;
    } else if ((args[i] == "--minutes" || args[i] == "--angle") && i + 1 < args.size()) {
      double& target = args[i] == "--minutes" ? g.minutes : g.angle;
      if (!parseNumber(args[++i], target)) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (!g.train && g.minutes <= 0.0) return std::nullopt;
  return g;
}

// Picks the brightest star near the middle of the guide image, as a click would.
bool selectGuideHeadStar(app::Program& program) {
  scope::GuideExposure(program);
  const auto& image = program.devices.guideImage;
  int best = -1, bx = 0, by = 0;
  for (int y = 110; y < 180; ++y) {
    for (int x = 180; x < 320; ++x) {
      const int v = image[static_cast<std::size_t>(y * scope::kGuideImageWidth + x)];
      if (v > best) best = v, bx = x, by = y;
    }
  }
  return best > 0 &&
         scope::SelectGuideStarAt(program, bx + scope::kGuideImageLeft, by + scope::kGuideImageTop);
}

// The brightest star near the middle of the main sensor, as command 21's click would find it.
void pickMainStar(app::Program& program, sim::GuidingRig& rig) {
  const auto& sky = rig.devices().sky();
  constexpr int kW = 400, kH = 300, kLeft = 1320, kTop = 860;
  std::vector<std::uint16_t> region(kW * kH);
  sky.render(sim::mainSensorView(sky), kLeft, kTop, kW, kH, 1.0, 20.0, 1, region.data());
  int best = -1, bx = 0, by = 0;
  for (int y = 20; y < kH - 20; ++y) {
    for (int x = 20; x < kW - 20; ++x) {
      const int v = region[static_cast<std::size_t>(y * kW + x)];
      if (v > best) best = v, bx = x, by = y;
    }
  }
  program.guiding.mainStar.position = {kLeft + bx, 0, kTop + by, 0};
  program.guiding.mainStarPicked = true;
}

// With --indi: the INDI mount slews to the celestial equator on the meridian it points at,
// the guide rates become the ones its GUIDE_RATE gives on this sky, and the simulated sky
// follows where the mount says it points, with the simulated mount's drift and periodic
// error on top; the guide pulses go to the INDI mount. False, with the reason written, when
// the mount cannot be used.
bool followIndiMount(CliSession& session, app::Program& program, sim::GuidingRig& rig) {
  auto* mount = dynamic_cast<scope::IndiMount*>(&scope::chosenMount(program));
  if (mount == nullptr || !mount->connect()) {
    session.err() << "guide: " << program.telescope.infoLines[1] << '\n';
    return false;
  }
  const auto start = mount->reportedPosition().value_or(scope::EquatorialPosition{});
  const int raMinutes = static_cast<int>(start.raHours * 60.0) % (24 * 60);
  mount->goTo(scope::SkyCoordinates{raMinutes / 60, raMinutes % 60, 0, 0});
  if (!program.telescope.infoLines[1].empty() ||
      !mount->waitWhileBusy(mount->address().mount, "EQUATORIAL_EOD_COORD", kIndiSlewMs)) {
    session.err() << "guide: the INDI mount did not reach the equator: "
                  << program.telescope.infoLines[1] << '\n';
    return false;
  }
  auto& s = program.settings;
  if (const auto* rates = mount->property(mount->address().mount, "GUIDE_RATE")) {
    // GUIDE_RATE is in multiples of the sidereal rate; the settings hold pixels per second.
    auto pixelsPerSecond = [&](const char* element) {
      const double sidereal = rates->number(element).value_or(1.0);
      return static_cast<std::int16_t>(std::max(
          1L, std::lround(sidereal * sim::kSiderealArcsecPerSecond / sim::kGuidingArcsecPerPixel)));
    };
    s.guiderGuide.raRate = s.mainGuide.raRate = pixelsPerSecond("GUIDE_RATE_WE");
    s.guiderGuide.decRate = s.mainGuide.decRate = pixelsPerSecond("GUIDE_RATE_NS");
  }
  // Which way a pulse turns the mount depends on the driver and the side of the pier; one
  // pulse on each axis shows it, and the letters are swapped where the mount turns the other
  // way (north raises the Dec., west lowers the R.A.).
  auto moved = [&](scope::Direction direction, bool ra) {
    const auto before = mount->reportedPosition().value_or(start);
    mount->guidePulse(direction, kProbePulseMs);
    program.clock().waitMs(kProbeSettleMs);
    const auto after = mount->reportedPosition().value_or(before);
    return ra ? (after.raHours - before.raHours) * 54'000.0
              : (after.decDegrees - before.decDegrees) * 3'600.0;
  };
  const double northArcsec = moved(scope::Direction::North, false);
  const double westArcsec = moved(scope::Direction::West, true);
  if (northArcsec < 0) std::swap(s.directionLetters.north, s.directionLetters.south);
  if (westArcsec > 0) std::swap(s.directionLetters.east, s.directionLetters.west);
  sim::followReportedPointing(rig.devices().sky(), rig.mount(),
                              [mount]() -> std::optional<sim::SkyPosition> {
                                const auto p = mount->reportedPosition();
                                if (!p) return std::nullopt;
                                return sim::SkyPosition{p->raHours, p->decDegrees};
                              });
  char line[160];
  std::snprintf(line, sizeof line,
                "INDI mount %s at %s; guide rates %d px/s (R.A.), %d px/s (Dec.); a %d ms "
                "pulse north moved %+.1f\", west %+.1f\"\n",
                mount->address().mount.c_str(),
                scope::positionText(mount->reportedPosition().value_or(start)).c_str(),
                s.guiderGuide.raRate, s.guiderGuide.decRate, kProbePulseMs, northArcsec,
                westArcsec);
  session.out() << line;
  return true;
}

}  // namespace

void useGuideRunSettings(app::Program& program) {
  auto& s = program.settings;
  // The guide outputs are chosen as `settings set` chooses them.
  settings::setSettingsField("guideOutputMode", "b", s, program.fits);
  s.serialRoute = 1;
  s.guideStarMaskRadius = 9;
  s.guiderGuide.raRate = s.guiderGuide.decRate = 7;
  s.mainGuide.raRate = s.mainGuide.decRate = 7;
  s.guiderTrainingSeconds = 4;
  s.mainTrainingSeconds = 1;
  program.guiding.camera.unit = program.acquisition.exposureUnit = 't';
  program.guiding.camera.value = program.acquisition.exposureValue = 3;
  program.telescope.telescopeConnected = true;  // the settings above are this run's
}

// Training and guiding runs on the simulated mount, camera, guide head and AO unit, on the
// virtual clock: prints the training results, or the RMS and worst error of a run in pixels
// and the corrections sent.
int runGuideCommand(CliSession& session, CommandArgs given) {
  std::vector<std::string> words(given.begin(), given.end());
  bool indi = false;
  if (!takeIndiOption(session, words, indi)) return 2;
  const auto parsed = parse(CommandArgs(words));
  if (!parsed) {
    session.err() << kUsage;
    return 2;
  }
  if (!session.options().simulate) {
    session.err() << "guide: runs on the simulated hardware only; add --simulate\n";
    return 2;
  }
  const GuideArgs g = *parsed;
  app::Program& program = session.program();
  sim::GuidingRig rig(session.clock(), sim::guidingSimulation(g.angle, g.head));
  if (!rig.attach(program)) {
    session.err() << "guide: the simulated camera was not found\n";
    return 1;
  }
  useGuideRunSettings(program);
  auto& s = program.settings;
  // Both cameras see the sky at the same scale, which the guide log states.
  program.guideLog.mainCameraArcsecPerPixel = sim::kGuidingArcsecPerPixel;
  program.guideLog.guideHeadArcsecPerPixel = sim::kGuidingArcsecPerPixel;
  if (g.ao) {
    s.guidingMode = settings::GuidingMode::AoUnit;
    s.aoDefaultGainUpDown = s.aoDefaultGainLeftRight = 5;
    s.mountEastWestLetters = {'W', 'T'};
    s.aoHalfRate = true;
  }
  if (indi && !followIndiMount(session, program, rig)) return 1;
  auto& out = session.out();
  char line[160];

  if (g.train) {
    bool trained = false;
    if (g.head) {
      trained =
          selectGuideHeadStar(program) && scope::TrainGuideHead(program, [](std::string_view) {});
      if (trained) out << scope::guideHeadTrainingText(program.guiding.trained) << '\n';
    } else {
      pickMainStar(program, rig);
      trained = acquire::TrainAutoGuiding(program);
      if (trained) {
        out << scope::mainTrainingText({s.mainGuide.raRate, s.mainGuide.decRate,
                                        s.mainGuide.raBacklash, s.mainGuide.decBacklash})
            << '\n';
      }
    }
    if (!trained) {
      session.err() << "guide: training lost the star\n";
      return 1;
    }
    out << "guide log: " << program.guideLog.path().string() << '\n';
    return 0;
  }

  const std::uint32_t runMs = static_cast<std::uint32_t>(g.minutes * 60'000);
  double sum = 0.0, peak = 0.0;
  int samples = 0;
  // The error the guide star showed on every guide frame measured, as the guide log records it
  // (the figures above are where the star truly was).
  double measuredSum = 0.0;
  int measuredFrames = 0;
  auto addMeasured = [&] {
    const scope::GuideError& e = program.guiding.error;
    measuredSum += (double(e.x) * e.x + double(e.y) * e.y) / 1e6;
    ++measuredFrames;
  };
  if (g.head) {
    if (!selectGuideHeadStar(program)) {
      session.err() << "guide: no guide star on the guide head\n";
      return 1;
    }
    rig.markReference();
    if (!scope::CreateGuidingFrame(program)) {
      session.err() << "guide: guiding could not start\n";
      return 1;
    }
    addMeasured();  // the stabilising frame
    const std::uint32_t end = session.clock().nowMs() + runMs;
    scope::GuideStatus status = scope::GuideStatus::Ok;
    while (static_cast<std::int32_t>(end - session.clock().nowMs()) > 0) {
      const double r = std::hypot(rig.starOffsetX(), rig.starOffsetY());
      sum += r * r;
      peak = std::max(peak, r);
      ++samples;
      status = scope::GuideStep(program);
      if (status != scope::GuideStatus::Ok) break;
      addMeasured();
    }
    scope::EndGuidedExposure(program);
    if (status == scope::GuideStatus::StarLost) out << "star lost\n";
    if (status == scope::GuideStatus::CameraLost) out << "camera lost\n";
  } else {
    pickMainStar(program, rig);
    const sim::SkyView start = sim::mainSensorView(rig.devices().sky());
    const std::uint32_t end = session.clock().nowMs() + runMs;
    acquire::StartAutoGuiding(program, [&] {
      const sim::SkyView now = sim::mainSensorView(rig.devices().sky());
      const double r = std::hypot(now.originX - start.originX, now.originY - start.originY);
      sum += r * r;
      peak = std::max(peak, r);
      ++samples;
      if (!program.guiding.starLost) addMeasured();
      if (static_cast<std::int32_t>(end - session.clock().nowMs()) <= 0)
        program.guiding.active = false;
    });
  }
  std::snprintf(line, sizeof line,
                "guided %.1f min on the %s: RMS error %.3f px, peak %.3f px, %d corrections "
                "sent\n",
                g.minutes,
                g.ao     ? "guide head with the AO unit"
                : g.head ? "guide head"
                         : "main camera",
                std::sqrt(sum / std::max(1, samples)), peak, program.guiding.pulsesSent);
  out << line;
  std::snprintf(line, sizeof line, "guide star as measured: RMS %.3f px over %d frames\n",
                std::sqrt(measuredSum / std::max(1, measuredFrames)), measuredFrames);
  out << line << "guide log: " << program.guideLog.path().string() << '\n';
  return 0;
}

}  // namespace nvk::cli
