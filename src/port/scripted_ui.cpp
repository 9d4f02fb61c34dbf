#include "port/scripted_ui.h"

#include <algorithm>

namespace nvk::port {

void ScriptedUi::onDialog(std::string dialogId, DialogScript action) {
  dialogScript_.emplace_back(std::move(dialogId), std::move(action));
}

void ScriptedUi::answerFileDialog(std::optional<std::string> path) {
  fileAnswers_.push_back(std::move(path));
}

void ScriptedUi::pressKeyAt(std::uint32_t atMs) {
  keyTimes_.push_back(atMs);
}

void ScriptedUi::showMessage(std::string_view title, std::string_view text) {
  messages_.push_back({std::string(title), std::string(text)});
}

SaveChoice ScriptedUi::askSaveImage(std::string_view title, std::string_view text) {
  saveQuestions_.push_back({std::string(title), std::string(text)});
  if (saveAnswers_.empty()) {
    scriptErrors_.push_back("unexpected save question: " + std::string(text));
    return SaveChoice::Cancel;
  }
  const SaveChoice choice = saveAnswers_.front();
  saveAnswers_.pop_front();
  return choice;
}

void ScriptedUi::openProgress(std::string_view caption, Stoppable stoppable) {
  progressOpen_ = true;
  progress_.push_back({ProgressEvent::Kind::Open, std::string(caption), 0, stoppable});
}

void ScriptedUi::setProgress(int position) {
  progress_.push_back({ProgressEvent::Kind::Position, {}, position});
}

void ScriptedUi::setProgressCaption(std::string_view caption) {
  progress_.push_back({ProgressEvent::Kind::Caption, std::string(caption), 0});
}

void ScriptedUi::closeProgress() {
  progressOpen_ = false;
  progress_.push_back({ProgressEvent::Kind::Close, {}, 0});
}

void ScriptedUi::clickAt(std::uint32_t atMs, std::function<void()> action) {
  clicks_.emplace_back(atMs, std::move(action));
}

bool ScriptedUi::pump() {
  ++pumps_;
  if (clock_) clock_->pump();
  if (clock_ && !clicks_.empty()) {
    const std::uint32_t now = clock_->nowMs();
    auto due = std::find_if(clicks_.begin(), clicks_.end(),
                            [now](const auto& click) { return msReached(now, click.first); });
    if (due != clicks_.end()) {
      const std::function<void()> action = std::move(due->second);
      clicks_.erase(due);
      action();
    }
  }
  if (pendingKeyNow_) {
    pendingKeyNow_ = false;
    return true;
  }
  if (clock_ && !keyTimes_.empty()) {
    const std::uint32_t now = clock_->nowMs();
    auto due = std::find_if(keyTimes_.begin(), keyTimes_.end(),
                            [now](std::uint32_t at) { return msReached(now, at); });
    if (due != keyTimes_.end()) {
      keyTimes_.erase(due);
      return true;
    }
  }
  return false;
}

DialogResult ScriptedUi::runDialog(DialogModel& model) {
  const std::string id(model.dialogId());
  dialogsShown_.push_back(id);
  if (dialogScript_.empty()) {
    scriptErrors_.push_back("unexpected dialog " + id);
    return DialogResult::Cancel;
  }
  auto [expected, action] = std::move(dialogScript_.front());
  dialogScript_.pop_front();
  if (expected != id) {
    scriptErrors_.push_back("expected dialog " + expected + " but " + id + " was shown");
    return DialogResult::Cancel;
  }
  return action(model);
}

std::optional<std::string> ScriptedUi::nextFileAnswer(const FileDialogRequest& request) {
  fileRequests_.push_back(request);
  if (fileAnswers_.empty()) {
    scriptErrors_.push_back("unanswered file dialog " + request.title);
    return std::nullopt;
  }
  auto answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedUi::openFileDialog(const FileDialogRequest& request) {
  return nextFileAnswer(request);
}

std::optional<std::string> ScriptedUi::saveFileDialog(const FileDialogRequest& request) {
  return nextFileAnswer(request);
}

std::vector<std::string> ScriptedUi::messageTexts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages_)
    texts.push_back(m.text);
  return texts;
}

std::vector<std::string> ScriptedUi::progressCaptions() const {
  std::vector<std::string> captions;
  for (const auto& e : progress_) {
    if (e.kind == ProgressEvent::Kind::Open || e.kind == ProgressEvent::Kind::Caption) {
      captions.push_back(e.caption);
    }
  }
  return captions;
}

std::vector<int> ScriptedUi::progressPositions() const {
  std::vector<int> positions;
  for (const auto& e : progress_) {
    if (e.kind == ProgressEvent::Kind::Position) positions.push_back(e.position);
  }
  return positions;
}

void ScriptedUi::clearRecord() {
  messages_.clear();
  saveQuestions_.clear();
  progress_.clear();
  dialogsShown_.clear();
  fileRequests_.clear();
  scriptErrors_.clear();
  beeps_ = redraws_ = pumps_ = 0;
}

}  // namespace nvk::port
