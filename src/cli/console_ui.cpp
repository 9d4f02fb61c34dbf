#include "cli/console_ui.h"

#include <algorithm>

namespace nvk::cli {

void ConsoleUi::showMessage(std::string_view /*title*/, std::string_view text) {
  ++messageCount_;
  if (progressBar_ && progressOpen_) err_ << '\n';
  err_ << text << '\n';
}

bool ConsoleUi::pump() {
  if (pumpClock_) pumpClock_->pump();
  // One abort per Ctrl+C: the flag stays raised, the abort is reported once.
  if (abort_ && abort_->load() && !abortSeen_) {
    abortSeen_ = true;
    return true;
  }
  return false;
}

void ConsoleUi::openProgress(std::string_view caption, port::Stoppable /*stoppable*/) {
  progressOpen_ = true;
  progressCaption_ = caption;
  progressPosition_ = 0;
  drawProgress();
}

void ConsoleUi::setProgress(int position) {
  progressPosition_ = position;
  drawProgress();
}

void ConsoleUi::setProgressCaption(std::string_view caption) {
  progressCaption_ = caption;
  drawProgress();
}

void ConsoleUi::closeProgress() {
  if (progressBar_ && progressOpen_) err_ << '\n';
  progressOpen_ = false;
}

void ConsoleUi::drawProgress() {
  if (!progressBar_ || !progressOpen_) return;
  constexpr int kBarWidth = 32;
  const int filled = std::clamp(progressPosition_, 0, 256) * kBarWidth / 256;
  err_ << '\r' << '[' << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] " << progressCaption_
       << std::string(progressCaption_.size() < 40 ? 40 - progressCaption_.size() : 0, ' ')
       << std::flush;
}

}  // namespace nvk::cli
