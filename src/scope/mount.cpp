#include "scope/mount.h"

#include "base/messages.h"
#include "scope/mount_factory.h"
#include "scope/program.h"

namespace nvk::scope {
namespace {

// How often a slewing mount is asked whether it has arrived.
constexpr std::uint32_t kSlewPollMs = 1000;
constexpr std::string_view kSlewWaitCaption = "WAITING FOR THE TELESCOPE TO END ITS SLEW";

}  // namespace

std::optional<Direction> directionOfLetter(char letter) {
  switch (letter) {
    case 'n':
      return Direction::North;
    case 's':
      return Direction::South;
    case 'e':
      return Direction::East;
    case 'w':
      return Direction::West;
    default:
      return std::nullopt;
  }
}

bool waitForSlewToEnd(Program& program, std::string_view what) {
  if (!telescopeDriveChosen(program)) return true;
  Mount& mount = chosenMount(program);
  if (!mount.slewing()) return true;
  auto& clock = program.clock();
  auto& ui = program.ui();
  const std::uint32_t start = clock.nowMs();
  ui.openProgress(kSlewWaitCaption, port::Stoppable::Yes);
  bool stopped = false;
  bool atRest = false;
  while (!atRest && !stopped) {
    const std::uint32_t waited = clock.nowMs() - start;
    if (waited >= kSlewWaitMs) break;
    ui.setProgress(static_cast<int>(256ull * waited / kSlewWaitMs));
    clock.waitMs(kSlewPollMs);
    stopped = ui.pump();
    atRest = !stopped && !mount.slewing();
  }
  ui.closeProgress();
  if (atRest) return true;
  std::string text = std::string(what) + " not started: the telescope is still slewing";
  if (!stopped) text += " after " + std::to_string(kSlewWaitMs / 60'000) + " minutes";
  base::ShowMessage(ui, base::Message::CallerText, text);
  return false;
}

void guidePulseToward(Mount& mount, char letter, int durationMs) {
  if (const auto direction = directionOfLetter(letter)) mount.guidePulse(*direction, durationMs);
}

}  // namespace nvk::scope
