#pragma once

#include <string>
#include <string_view>

#include "port/ui.h"

namespace nvk::base {

// Title of every message box of the program.
inline constexpr std::string_view kMessageTitle = "NVK_K7LQ_USB";

// Code whose text is given by the caller.
inline constexpr int kCallerTextMessage = 50;

// The fixed text of message `code`; empty for a code without one.
std::string_view messageText(int code);

// Shows message `code` in a box titled "NVK_K7LQ_USB" with an OK button. Code 50 shows `text`
// (at most 255 characters); every other code shows its fixed text, or nothing when it has none.
void ShowMessage(port::Ui& ui, int code, std::string_view text = {});

// ShowMessage for a save that failed: the message, then on the line below the system's reason
// that the failed write recorded (takeWriteFailure()), when it recorded one.
void ShowWriteFailure(port::Ui& ui, int code, std::string_view text = {});
// The text of message `code` (or `text`) with that reason below it.
std::string withWriteFailure(std::string_view message);

// A negative value is shown as "ERROR %d " and gives -1; any other value is returned unchanged.
int ShowErrorCode(port::Ui& ui, int value);

}  // namespace nvk::base
