#pragma once

namespace nvk::files {

// How a save ended. The command that asked for it has already shown the message.
enum class SaveResult {
  Saved,
  Refused,           // the image cannot be saved this way; nothing was touched
  CannotCreate,      // the file could not be created
  WriteFailed,       // a write fell short; the previous file of that name is intact
  PlaneWriteFailed,  // as WriteFailed, while writing the colour or RGB planes
};

}  // namespace nvk::files
