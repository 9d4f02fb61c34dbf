#include "scope/indi_mount.h"

#include <algorithm>
#include <cstdio>

#include "base/messages.h"
#include "base/parse_int.h"
#include "scope/guide_output_mount.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

using port::IndiState;

// How long the program waits for the devices after connecting, for the mount to answer a slew
// request or a property change, and beyond its length for a pulse to be reported done.
constexpr std::uint32_t kDeviceWaitMs = 10'000;
constexpr std::uint32_t kAnswerWaitMs = 5'000;
constexpr std::uint32_t kPulseGraceMs = 2'000;
// A mount that says nothing to a GoTo but stands this close to the target is there already.
constexpr double kArrivedArcmin = 1.0;
// How often a wait looks at the queue.
constexpr std::uint32_t kPollMs = 5;
constexpr double kFastStepsPerSecond = 200.0;
constexpr double kSlowStepsPerSecond = 20.0;

constexpr const char* kEodCoord = "EQUATORIAL_EOD_COORD";

struct AxisNames {
  const char* motion;
  const char* motionElement;
  const char* pulse;
  const char* pulseElement;
};
AxisNames axisNames(Direction direction) {
  switch (direction) {
    case Direction::North:
      return {"TELESCOPE_MOTION_NS", "MOTION_NORTH", "TELESCOPE_TIMED_GUIDE_NS", "TIMED_GUIDE_N"};
    case Direction::South:
      return {"TELESCOPE_MOTION_NS", "MOTION_SOUTH", "TELESCOPE_TIMED_GUIDE_NS", "TIMED_GUIDE_S"};
    case Direction::East:
      return {"TELESCOPE_MOTION_WE", "MOTION_EAST", "TELESCOPE_TIMED_GUIDE_WE", "TIMED_GUIDE_E"};
    case Direction::West:
      break;
  }
  return {"TELESCOPE_MOTION_WE", "MOTION_WEST", "TELESCOPE_TIMED_GUIDE_WE", "TIMED_GUIDE_W"};
}

void merge(port::IndiProperty& into, const port::IndiProperty& update) {
  into.state = update.state;
  auto mergeList = [](auto& list, const auto& changes) {
    for (const auto& change : changes) {
      auto it = std::find_if(list.begin(), list.end(),
                             [&](const auto& element) { return element.first == change.first; });
      if (it == list.end()) {
        list.push_back(change);
      } else {
        it->second = change.second;
      }
    }
  };
  mergeList(into.numbers, update.numbers);
  mergeList(into.switches, update.switches);
}

}  // namespace

std::optional<IndiAddress> parseIndiAddress(std::string_view text) {
  IndiAddress address;
  const auto comma = text.find(',');
  const std::string_view server = text.substr(0, comma);
  const auto colon = server.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  address.host = std::string(server.substr(0, colon));
  const auto port = base::parseIntIn(server.substr(colon + 1), 1, 65535);
  if (!port) return std::nullopt;
  address.port = *port;
  if (comma == std::string_view::npos) return address;
  const std::string_view devices = text.substr(comma + 1);
  const auto second = devices.find(',');
  if (devices.substr(0, second).empty()) return std::nullopt;
  address.mount = std::string(devices.substr(0, second));
  if (second != std::string_view::npos) address.focuser = std::string(devices.substr(second + 1));
  return address;
}

std::string slewRateElement(MoveRate rate, const port::IndiProperty& slewRates) {
  const auto count = static_cast<int>(slewRates.switches.size());
  if (count == 0) return {};
  const int top = count - 1;
  int index = top;
  switch (rate) {
    case MoveRate::Guide:
      index = 0;
      break;
    case MoveRate::Centre:
      index = top / 3;
      break;
    case MoveRate::Find:
      index = (2 * top + 2) / 3;
      break;
    case MoveRate::Slew:
      break;
  }
  return slewRates.switches[static_cast<std::size_t>(index)].first;
}

int focusSteps(FocusSpeed speed, std::uint32_t heldMs) {
  const double perSecond = speed == FocusSpeed::Fast ? kFastStepsPerSecond : kSlowStepsPerSecond;
  return std::max(1, static_cast<int>(perSecond * heldMs / 1000.0 + 0.5));
}

IndiMount::IndiMount(Program& program, std::unique_ptr<port::IndiClient> client,
                     IndiAddress address)
    : program_(program), client_(std::move(client)), address_(std::move(address)) {}

IndiMount::~IndiMount() = default;

void IndiMount::apply(const port::IndiEvent& event) {
  switch (event.kind) {
    case port::IndiEvent::Kind::Property: {
      const auto key = std::make_pair(event.property.device, event.property.name);
      auto it = properties_.find(key);
      if (it == properties_.end()) {
        properties_.emplace(key, event.property);
      } else {
        merge(it->second, event.property);
      }
      if (watch_) watch_(event.property);
      // A GoTo that was answered ends when its coordinates stop being busy.
      if (slewAnswered_ && event.property.device == address_.mount &&
          event.property.name == kEodCoord && event.property.state != IndiState::Busy) {
        slewAnswered_ = false;
        program_.telescope.infoLines[0] =
            slewObject_ + (event.property.state == IndiState::Ok ? ": arrived" : ": slew failed");
      }
      break;
    }
    case port::IndiEvent::Kind::PropertyGone:
      properties_.erase({event.property.device, event.property.name});
      break;
    case port::IndiEvent::Kind::Message:
      lastMessage_[event.property.device] = event.text;
      break;
    case port::IndiEvent::Kind::ServerLost:
      if (connected_) {
        slewAnswered_ = false;
        fail("INDI server " + address_.host + ":" + std::to_string(address_.port) + " lost");
      }
      break;
  }
}

void IndiMount::poll() {
  for (const auto& event : client_->takeEvents())
    apply(event);
}

void IndiMount::fail(std::string reason) {
  connected_ = false;
  properties_.clear();
  program_.telescope.infoLines[1] = std::move(reason);
  program_.telescope.moving = false;
  program_.telescope.focusing = false;
  base::ShowMessage(program_.ui(), base::Message::NoTelescopeConnection);
}

bool IndiMount::waitUntil(const std::function<bool()>& done, std::uint32_t timeoutMs) {
  auto& clock = program_.clock();
  const std::uint32_t end = clock.nowMs() + timeoutMs;
  const bool wasConnected = connected_;
  for (;;) {
    poll();
    if (done()) return true;
    if (wasConnected && !connected_) return false;
    if (port::msReached(clock.nowMs(), end)) return false;
    program_.ui().pump();
    clock.waitMs(kPollMs);
  }
}

const port::IndiProperty* IndiMount::property(const std::string& device,
                                              const std::string& name) const {
  const auto it = properties_.find({device, name});
  return it == properties_.end() ? nullptr : &it->second;
}

bool IndiMount::connect() {
  if (connected_) {
    poll();
    if (connected_) return true;
  }
  std::vector<std::string> devices{address_.mount};
  if (!address_.focuser.empty()) devices.push_back(address_.focuser);
  const std::string server = address_.host + ":" + std::to_string(address_.port);
  properties_.clear();
  if (!client_->connectServer(address_.host, address_.port, devices)) {
    fail("no INDI server answers at " + server);
    return false;
  }
  connected_ = true;
  // The server passes a request on only to a driver that has defined the property, so each
  // device is asked to connect once its CONNECTION switch is there. It is ready when the
  // driver reports itself connected and has defined what the program drives: the coordinates
  // of a mount, the motion of a focuser.
  auto ready = [this](const std::string& device, const char* needed) {
    const auto* connection = property(device, "CONNECTION");
    return connection != nullptr && connection->switchOn("CONNECT").value_or(false) &&
           property(device, needed) != nullptr;
  };
  std::vector<std::string> asked;
  auto allReady = [&] {
    for (const auto& device : devices) {
      const auto* connection = property(device, "CONNECTION");
      if (connection != nullptr && !connection->switchOn("CONNECT").value_or(false) &&
          std::find(asked.begin(), asked.end(), device) == asked.end()) {
        client_->connectDevice(device);
        asked.push_back(device);
      }
    }
    return ready(address_.mount, kEodCoord) &&
           (address_.focuser.empty() || ready(address_.focuser, "FOCUS_MOTION"));
  };
  if (!waitUntil(allReady, kDeviceWaitMs)) {
    if (!connected_) return false;
    const std::string& missing =
        ready(address_.mount, kEodCoord) ? address_.focuser : address_.mount;
    fail("INDI device '" + missing + "' not found on " + server);
    return false;
  }
  program_.telescope.infoLines[1].clear();
  return true;
}

std::optional<EquatorialPosition> IndiMount::reportedPosition() {
  poll();
  const auto* coordinates = property(address_.mount, kEodCoord);
  if (coordinates == nullptr) return std::nullopt;
  const auto ra = coordinates->number("RA");
  const auto dec = coordinates->number("DEC");
  if (!ra || !dec) return std::nullopt;
  return EquatorialPosition{*ra, *dec};
}

bool IndiMount::slewing() {
  poll();
  const auto* coordinates = property(address_.mount, kEodCoord);
  return coordinates != nullptr && coordinates->state == IndiState::Busy;
}

bool IndiMount::waitWhileBusy(const std::string& device, const std::string& name,
                              std::uint32_t timeoutMs) {
  if (!connected_) return false;
  const auto atRest = [&] {
    const auto* p = property(device, name);
    return p != nullptr && p->state != IndiState::Busy;
  };
  return waitUntil(atRest, timeoutMs) && connected_;
}

std::optional<double> IndiMount::focuserPosition() {
  poll();
  const auto* position = property(address_.focuser, "ABS_FOCUS_POSITION");
  return position == nullptr ? std::nullopt : position->number("FOCUS_ABSOLUTE_POSITION");
}

std::optional<IndiState> IndiMount::awaitAnswer(const std::string& device, const std::string& name,
                                                std::uint32_t timeoutMs) {
  std::optional<IndiState> answer;
  watch_ = [&](const port::IndiProperty& p) {
    if (!answer && p.device == device && p.name == name && p.state != IndiState::Busy)
      answer = p.state;
  };
  waitUntil([&] { return answer.has_value(); }, timeoutMs);
  watch_ = {};
  return answer;
}

bool IndiMount::setMountNumbers(const std::string& name,
                                const std::map<std::string, double>& values) {
  if (!connect() || property(address_.mount, name) == nullptr) return false;
  client_->sendNumbers(address_.mount, name, values);
  return awaitAnswer(address_.mount, name, kAnswerWaitMs) == IndiState::Ok;
}

void IndiMount::guidePulse(Direction direction, int durationMs) {
  if (!connect()) return;
  const AxisNames names = axisNames(direction);
  if (property(address_.mount, names.pulse) == nullptr) {
    // A mount without timed guiding: the camera's guide outputs hold the line instead.
    GuideOutputMount(program_).guidePulse(direction, durationMs);
    return;
  }
  const int ms = std::max(0, durationMs);
  if (ms == 0) return;
  // The pulse is over when the mount turns the property from busy to anything else, or at
  // once when it refuses.
  bool busy = false, done = false;
  watch_ = [&](const port::IndiProperty& p) {
    if (p.device != address_.mount || p.name != names.pulse) return;
    if (p.state == IndiState::Busy) {
      busy = true;
    } else if (busy || p.state == IndiState::Alert) {
      done = true;
    }
  };
  client_->sendNumbers(address_.mount, names.pulse, {{names.pulseElement, ms}});
  waitUntil([&] { return done; }, static_cast<std::uint32_t>(ms) + kPulseGraceMs);
  watch_ = {};
}

void IndiMount::startMove(Direction direction, MoveRate rate) {
  auto& telescope = program_.telescope;
  if (telescope.moving || !connect()) return;
  if (const auto* rates = property(address_.mount, "TELESCOPE_SLEW_RATE")) {
    const std::string element = slewRateElement(rate, *rates);
    if (!element.empty()) client_->sendSwitches(address_.mount, rates->name, {{element, true}});
  }
  const AxisNames names = axisNames(direction);
  client_->sendSwitches(address_.mount, names.motion, {{names.motionElement, true}});
  telescope.moving = true;
}

void IndiMount::stopMove() {
  auto& telescope = program_.telescope;
  if (!telescope.moving) return;
  telescope.moving = false;
  if (!connected_) return;
  client_->sendSwitches(address_.mount, "TELESCOPE_MOTION_NS",
                        {{"MOTION_NORTH", false}, {"MOTION_SOUTH", false}});
  client_->sendSwitches(address_.mount, "TELESCOPE_MOTION_WE",
                        {{"MOTION_WEST", false}, {"MOTION_EAST", false}});
}

void IndiMount::resolveTarget(const GoToTarget& target, std::optional<EquatorialPosition>& position,
                              std::string& name) {
  const std::int64_t now = program_.clock().wallSeconds();
  if (const auto* object = std::get_if<CatalogueObject>(&target)) {
    const std::string number = std::to_string(object->number);
    switch (object->kind) {
      case CatalogueKind::Messier:
        name = "M" + number;
        if (const auto j2000 = messierJ2000(object->number)) position = precessToDate(*j2000, now);
        return;
      case CatalogueKind::Star:
        name = "STAR " + number;
        position = planetOfDate(object->number, now);
        return;
      case CatalogueKind::Cngc:
        name = "NGC" + number;
        return;
    }
  }
  const auto& typed = std::get<SkyCoordinates>(target);
  const double arcminutes = (typed.degrees < 0 ? -1.0 : 1.0) * typed.arcminutes / 60.0;
  const EquatorialPosition j2000{typed.hours + typed.minutes / 60.0, typed.degrees + arcminutes};
  name = "J2000 " + positionText(j2000);
  position = precessToDate(j2000, now);
}

GoToReply IndiMount::goTo(const GoToTarget& target) {
  auto& lines = program_.telescope.infoLines;
  std::optional<EquatorialPosition> position;
  std::string name;
  resolveTarget(target, position, name);
  if (!position) {
    lines[0] = name;
    lines[1] = std::holds_alternative<CatalogueObject>(target) &&
                       std::get<CatalogueObject>(target).kind == CatalogueKind::Cngc
                   ? "CNGC objects need a mount with its own catalogue"
                   : "no position for this object";
    return {MountStatus::Done, lines[1]};
  }
  if (!connect()) return {MountStatus::Done, lines[1]};
  slewObject_ = name + " -> " + positionText(*position);
  lines[0] = slewObject_;
  lines[1].clear();
  lastMessage_.erase(address_.mount);
  // A GoTo tracks once there; a mount that is not tracking yet starts now, since some drivers
  // (INDI's own simulator among them) land a slew begun untracked off by the slew's duration.
  if (const auto* tracking = property(address_.mount, "TELESCOPE_TRACK_STATE");
      tracking != nullptr && !tracking->switchOn("TRACK_ON").value_or(true)) {
    client_->sendSwitches(address_.mount, tracking->name,
                          {{"TRACK_ON", true}, {"TRACK_OFF", false}});
    awaitAnswer(address_.mount, "TELESCOPE_TRACK_STATE", kAnswerWaitMs);
  }
  // The mount answers by turning its coordinates busy (slewing) or alert (refused); reports of
  // the coordinates at rest may still arrive from before the request and say nothing of it.
  std::optional<IndiState> answer;
  watch_ = [&](const port::IndiProperty& p) {
    if (p.device == address_.mount && p.name == kEodCoord &&
        (p.state == IndiState::Busy || p.state == IndiState::Alert))
      answer = p.state;
  };
  client_->sendSwitches(address_.mount, "ON_COORD_SET",
                        {{"TRACK", true}, {"SLEW", false}, {"SYNC", false}});
  client_->sendNumbers(address_.mount, kEodCoord,
                       {{"RA", position->raHours}, {"DEC", position->decDegrees}});
  waitUntil([&] { return answer.has_value(); }, kAnswerWaitMs);
  watch_ = {};
  const auto there = reportedPosition();
  if (!answer) {
    if (!connected_) return {MountStatus::Done, lines[1]};
    if (there && separationArcmin(*there, *position) < kArrivedArcmin) {
      lines[0] = slewObject_ + ": arrived";
    } else {
      lines[1] = "the mount did not answer the slew request";
    }
  } else if (*answer == IndiState::Alert) {
    const auto message = lastMessage_.find(address_.mount);
    lines[1] = message != lastMessage_.end() ? message->second : "the mount refused the slew";
  } else {
    slewAnswered_ = true;
    lines[0] = slewObject_ + ": slewing";
  }
  return {MountStatus::Done, lines[1]};
}

MountStatus IndiMount::startFocus(FocusDirection direction, FocusSpeed speed) {
  auto& telescope = program_.telescope;
  if (address_.focuser.empty()) return MountStatus::NotAvailable;
  if (telescope.focusing) return MountStatus::Done;
  if (!connect()) return MountStatus::Done;
  if (property(address_.focuser, "FOCUS_MOTION") == nullptr) return MountStatus::NotAvailable;
  const bool in = direction == FocusDirection::In;
  client_->sendSwitches(address_.focuser, "FOCUS_MOTION",
                        {{"FOCUS_INWARD", in}, {"FOCUS_OUTWARD", !in}});
  focusSpeed_ = speed;
  focusStartMs_ = program_.clock().nowMs();
  telescope.focusing = true;
  return MountStatus::Done;
}

void IndiMount::stopFocus() {
  auto& telescope = program_.telescope;
  if (!telescope.focusing) return;
  telescope.focusing = false;
  if (!connected_) return;
  const std::uint32_t heldMs = port::msElapsed(focusStartMs_, program_.clock().nowMs());
  if (property(address_.focuser, "REL_FOCUS_POSITION") != nullptr) {
    client_->sendNumbers(address_.focuser, "REL_FOCUS_POSITION",
                         {{"FOCUS_RELATIVE_POSITION", focusSteps(focusSpeed_, heldMs)}});
  } else if (property(address_.focuser, "FOCUS_TIMER") != nullptr) {
    client_->sendNumbers(address_.focuser, "FOCUS_TIMER", {{"FOCUS_TIMER_VALUE", heldMs}});
  }
}

const InfoLines& IndiMount::infoLines() const {
  return program_.telescope.infoLines;
}

bool IndiMount::reachedThroughCamera(bool pulses) const {
  // Pulses go through the camera's guide outputs only for a mount without timed guiding.
  return pulses && connected_ && property(address_.mount, "TELESCOPE_TIMED_GUIDE_NS") == nullptr;
}

}  // namespace nvk::scope
