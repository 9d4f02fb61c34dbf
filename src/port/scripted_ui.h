#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "port/ui.h"
#include "port/virtual_clock.h"

namespace nvk::port {

// A Ui for tests and for headless runs: it records every message, beep and progress step, and
// plays back a script of dialog actions, file-dialog answers and key presses. Bound to a
// VirtualClock, every pump() advances the clock by one quantum, so a pumping wait loop runs
// through virtual time.
class ScriptedUi final : public Ui {
 public:
  struct Message {
    std::string title;
    std::string text;
  };
  struct ProgressEvent {
    enum class Kind { Open, Position, Caption, Close } kind;
    std::string caption;                  // Open, Caption
    int position = 0;                     // Position
    Stoppable stoppable = Stoppable::No;  // Open
  };
  using DialogScript = std::function<DialogResult(DialogModel&)>;

  explicit ScriptedUi(VirtualClock* clock = nullptr) : clock_(clock) {}

  // --- script ---
  // The next dialog shown must have the id `dialogId`; `action` plays the user's part on the
  // model and returns how the dialog closes.
  void onDialog(std::string dialogId, DialogScript action);
  template <typename Model>
  void onDialog(std::string dialogId, std::function<DialogResult(Model&)> action) {
    onDialog(std::move(dialogId), [action](DialogModel& m) -> DialogResult {
      auto* typed = dynamic_cast<Model*>(&m);
      return typed ? action(*typed) : DialogResult::Cancel;
    });
  }
  // Answers for the next open/save file dialogs (nullopt = the user cancelled).
  void answerFileDialog(std::optional<std::string> path);
  // Answers for the next "save the image first?" questions.
  void answerSaveQuestion(SaveChoice choice) { saveAnswers_.push_back(choice); }
  // The user's abort (Esc) that the first pump() at or after `atMs` on the bound clock reports.
  void pressKeyAt(std::uint32_t atMs);
  // The user's abort reported by the next pump().
  void pressKeyNow() { pendingKeyNow_ = true; }
  // A click on a button of a modeless window ("Stop Guiding", say), which is no abort: the
  // first pump() at or after `atMs` on the bound clock runs `action`.
  void clickAt(std::uint32_t atMs, std::function<void()> action);

  // --- Ui ---
  void showMessage(std::string_view title, std::string_view text) override;
  void beep() override { ++beeps_; }
  SaveChoice askSaveImage(std::string_view title, std::string_view text) override;
  void openProgress(std::string_view caption, Stoppable stoppable = Stoppable::No) override;
  void setProgress(int position) override;
  void setProgressCaption(std::string_view caption) override;
  void closeProgress() override;
  void setBusyCursor(bool busy) override { busy_ = busy; }
  void requestRedraw() override { ++redraws_; }
  bool pump() override;
  DialogResult runDialog(DialogModel& model) override;
  std::optional<std::string> openFileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> saveFileDialog(const FileDialogRequest& request) override;

  // --- record ---
  const std::vector<Message>& messages() const { return messages_; }
  std::vector<std::string> messageTexts() const;
  // The "save the image first?" questions asked, in order.
  const std::vector<Message>& saveQuestions() const { return saveQuestions_; }
  int beeps() const { return beeps_; }
  int redraws() const { return redraws_; }
  int pumps() const { return pumps_; }
  bool busy() const { return busy_; }
  bool progressOpen() const { return progressOpen_; }
  const std::vector<ProgressEvent>& progressEvents() const { return progress_; }
  // Captions in the order they were shown (open and change).
  std::vector<std::string> progressCaptions() const;
  std::vector<int> progressPositions() const;
  // Ids of the dialogs shown, in order.
  const std::vector<std::string>& dialogsShown() const { return dialogsShown_; }
  const std::vector<FileDialogRequest>& fileDialogRequests() const { return fileRequests_; }
  // Problems with the script itself: a dialog shown that the script did not expect, or a
  // file dialog without an answer. A test checks this is empty.
  const std::vector<std::string>& scriptErrors() const { return scriptErrors_; }
  void clearRecord();

 private:
  std::optional<std::string> nextFileAnswer(const FileDialogRequest& request);

  VirtualClock* clock_;
  std::deque<std::pair<std::string, DialogScript>> dialogScript_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::deque<SaveChoice> saveAnswers_;
  std::vector<std::uint32_t> keyTimes_;
  std::vector<std::pair<std::uint32_t, std::function<void()>>> clicks_;
  bool pendingKeyNow_ = false;

  std::vector<Message> messages_;
  std::vector<Message> saveQuestions_;
  std::vector<ProgressEvent> progress_;
  std::vector<std::string> dialogsShown_;
  std::vector<FileDialogRequest> fileRequests_;
  std::vector<std::string> scriptErrors_;
  int beeps_ = 0;
  int redraws_ = 0;
  int pumps_ = 0;
  bool busy_ = false;
  bool progressOpen_ = false;
};

}  // namespace nvk::port
