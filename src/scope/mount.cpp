#include "scope/mount.h"

namespace nvk::scope {

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

void guidePulseToward(Mount& mount, char letter, int durationMs) {
  if (const auto direction = directionOfLetter(letter)) mount.guidePulse(*direction, durationMs);
}

}  // namespace nvk::scope
