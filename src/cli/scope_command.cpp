#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>

#include "base/parse_int.h"
#include "cli/cli.h"
#include "platform/pty_mount.h"
#include "scope/indi_mount.h"
#include "scope/mount_commands.h"
#include "scope/mount_factory.h"
#include "scope/move_telescope_dialog.h"
#include "scope/serial_link.h"
#include "sim/mount.h"

namespace nvk::cli {
namespace {

constexpr int kMaxDurationMs = 600'000;
// How long the tool waits for a simulated slew to land before it reports where the mount is.
constexpr std::uint32_t kSlewPollMs = 100;
constexpr int kMaxSlewPolls = 3000;
// How long the tool waits for an INDI mount's slew or focuser move to end.
constexpr std::uint32_t kIndiSlewMs = 300'000;

constexpr const char* kUsage =
    "usage: nvk-k7lq-cli scope goto messier N | cngc N | planet NAME | radec HH:MM +DD:MM\n"
    "       nvk-k7lq-cli scope move e|w|n|s MS\n"
    "       nvk-k7lq-cli scope focus in|out MS\n";

// The mount the commands reach: the real PC port, or with --simulate the session's simulated
// mount. `throughCamera`: the chosen mount takes this command through the camera.
platform::PtyMount* connect(CliSession& session, bool throughCamera) {
  auto& program = session.program();
  if (platform::PtyMount* mount = session.simulatedMount()) {
    if (!mount->pcPortReady() && scope::usesPcRoute(program.settings.serialRoute)) {
      session.err() << "scope: no pseudo-terminal for the simulated mount\n";
      return nullptr;
    }
    // The camera route and the guide outputs need the (simulated) camera attached.
    if (!program.telescope.cameraLink->connectCamera()) {
      session.err() << scope::kCameraNotFoundText << '\n';
      return nullptr;
    }
    return mount;
  }
  // An LX200 on a camera serial port, or socket pulses on the guide outputs (without the
  // unsaved bypass flag), need the camera.
  if (throughCamera) {
    session.err() << "scope: the settings reach the mount through the camera (a camera serial "
                     "port or its guide outputs), which this tool does not drive; use "
                     "--simulate, or serialRoute 3 (PC) and the LX200 interface\n";
    return nullptr;
  }
  return &session.mount();
}

// "HH:MM" and "+DD:MM" into the dialog's four edits.
bool splitPair(const std::string& text, std::string& first, std::string& second) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return false;
  first = text.substr(0, colon);
  second = text.substr(colon + 1);
  return !first.empty() && !second.empty();
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// "RA 00h42m42.0s Dec +41d16'00" focuser 0".
std::string describe(sim::SimulatedMount& mount) {
  const sim::SkyPosition p = mount.pointing();
  const long raTenths = std::lround(p.raHours * 36'000.0) % (24L * 36'000);
  const long decSeconds = std::lround(std::fabs(p.decDegrees) * 3600.0);
  char text[96];
  std::snprintf(text, sizeof text,
                "RA %02ldh%02ldm%02ld.%lds Dec %c%02ldd%02ld'%02ld\" focuser %.0f",
                raTenths / 36'000, raTenths / 600 % 60, raTenths / 10 % 60, raTenths % 10,
                p.decDegrees < 0 ? '-' : '+', decSeconds / 3600, decSeconds / 60 % 60,
                decSeconds % 60, mount.focuserPosition());
  return text;
}

// After a GoTo the slew's end, after a focus move the focuser's; then where the INDI mount
// (and focuser) say they are.
void reportIndiMount(CliSession& session, scope::IndiMount& mount, const std::string& action) {
  const auto& address = mount.address();
  if (action == "goto" && !mount.waitWhileBusy(address.mount, "EQUATORIAL_EOD_COORD", kIndiSlewMs))
    session.err() << "scope: the slew has not ended\n";
  if (action == "focus") {
    mount.awaitAnswer(address.focuser, "REL_FOCUS_POSITION", kIndiSlewMs);
    if (const auto position = mount.focuserPosition())
      session.out() << "Focuser: " << *position << '\n';
    return;
  }
  if (action == "goto") session.out() << "Info from Scope: " << mount.infoLines()[0] << '\n';
  if (const auto position = mount.reportedPosition())
    session.out() << "Mount: " << scope::positionText(*position) << '\n';
}

int usage(CliSession& session) {
  session.err() << kUsage;
  return 2;
}

int notAvailable(CliSession& session) {
  session.err() << "scope: not available on this drive\n";
  return 1;
}

}  // namespace

int runScopeCommand(CliSession& session, CommandArgs given) {
  std::vector<std::string> words(given.begin(), given.end());
  bool indi = false;
  if (!takeIndiOption(session, words, indi)) return 2;
  const CommandArgs args(words);
  if (args.size() < 2) return usage(session);
  const std::string& action = args[0];
  auto& program = session.program();
  scope::TMTDialog dialog(program);

  // Check the words before anything reaches the mount.
  char letter = 0;
  int durationMs = 0;
  const scope::Planet* planet = nullptr;
  if (action == "goto") {
    const std::string& kind = args[1];
    if (kind == "messier" && args.size() == 3) {
      dialog.messierText = args[2];
    } else if (kind == "cngc" && args.size() == 3) {
      dialog.cngcText = args[2];
    } else if (kind == "planet" && args.size() == 3) {
      for (const auto& p : scope::kPlanets)
        if (lower(std::string(p.name)) == lower(args[2])) planet = &p;
      if (planet == nullptr) {
        session.err() << "scope: no planet '" << args[2] << "'\n";
        return 2;
      }
    } else if (kind == "radec" && args.size() == 4) {
      if (!splitPair(args[2], dialog.raHoursText, dialog.raMinutesText) ||
          !splitPair(args[3], dialog.decDegreesText, dialog.decMinutesText))
        return usage(session);
    } else {
      return usage(session);
    }
  } else if ((action == "move" || action == "focus") && args.size() == 3) {
    const auto duration = base::parseIntIn(args[2], 0, kMaxDurationMs);
    if (!duration) {
      session.err() << "scope: the duration must be 0.." << kMaxDurationMs << " ms\n";
      return 2;
    }
    durationMs = *duration;
    const std::string& which = args[1];
    if (action == "move") {
      if (which.size() == 1 && std::string_view("ewns").find(which[0]) != std::string_view::npos)
        letter = which[0];
    } else {
      letter = which == "in" ? '+' : which == "out" ? '-' : 0;
    }
    if (letter == 0) return usage(session);
  } else {
    return usage(session);
  }

  // Loads the settings (and the COM port map) the rest works with.
  scope::ConnectTelescope(program, false);
  scope::Mount& drive = scope::chosenMount(program);
  auto* const indiMount = indi ? dynamic_cast<scope::IndiMount*>(&drive) : nullptr;
  platform::PtyMount* connection = nullptr;
  if (indiMount != nullptr) {
    if (!indiMount->connect()) {
      session.err() << "scope: " << indiMount->infoLines()[1] << '\n';
      return 1;
    }
  } else {
    connection = connect(session, drive.reachedThroughCamera(action == "move"));
    if (connection == nullptr) return 1;
  }
  if (action == "goto" && !drive.goToAvailable()) return notAvailable(session);
  // East, west, north and south go out as the letters of the settings just loaded.
  if (action == "move") {
    const auto& letters = program.settings.directionLetters;
    letter = letter == 'e'   ? letters.east
             : letter == 'w' ? letters.west
             : letter == 'n' ? letters.north
                             : letters.south;
  }
  const int messagesBefore = session.ui().messageCount();

  if (action == "goto") {
    if (planet != nullptr) {
      dialog.goToPlanet(*planet);
    } else if (args[1] == "radec") {
      dialog.goToCoordinates();
    } else {
      dialog.goToObject();
    }
  } else if (action == "move") {
    scope::guidePulseToward(drive, letter, durationMs);
  } else {
    const auto direction = letter == '+' ? scope::FocusDirection::In : scope::FocusDirection::Out;
    if (drive.startFocus(direction, program.telescope.focusSpeed()) != scope::MountStatus::Done)
      return notAvailable(session);
    program.clock().waitMs(static_cast<std::uint32_t>(durationMs));
    drive.stopFocus();
  }
  if (session.ui().messageCount() != messagesBefore) {
    if (indiMount != nullptr) session.err() << "scope: " << indiMount->infoLines()[1] << '\n';
    return 1;
  }

  // A GoTo reads the mount's whole slew reply: '0' (an empty line) for a slew, else the mount's
  // reason for refusing.
  const bool refused = action == "goto" && !dialog.infoLine(1).empty();
  if (action == "goto") {
    session.out() << "Info from Scope: " << dialog.infoLine(0) << '\n'
                  << "Slew reply: " << dialog.infoLine(1) << '\n';
  }
  if (indiMount != nullptr && !refused) reportIndiMount(session, *indiMount, action);
  if (sim::SimulatedMount* mount = connection != nullptr ? connection->mount() : nullptr) {
    for (int i = 0; i < kMaxSlewPolls && mount->slewing(); ++i)
      program.clock().waitMs(kSlewPollMs);
    session.out() << "Mount: " << describe(*mount) << '\n';
  }
  if (refused) {
    session.err() << "scope: the mount refused the GoTo: " << dialog.infoLine(1) << '\n';
    return 1;
  }
  return 0;
}

}  // namespace nvk::cli
