#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nvk::port {

// How a modal dialog was closed. Ok and Cancel are the usual buttons; a dialog that closes with
// another meaning (an "Abort" button, say) uses its own value above kFirstCustom.
enum class DialogResult : int { Ok = 1, Cancel = 2, Abort = 3, kFirstCustom = 100 };

// Base of every dialog model. The model holds the dialog's state, texts and control rules; the
// Ui realisation shows a view bound to it (the Qt window) or plays a script against it (tests).
class DialogModel {
 public:
  virtual ~DialogModel() = default;
  // A stable name of the dialog, the class name of its window ("TNVDialog", "TDefaultsDialog").
  virtual std::string_view dialogId() const = 0;
  // The dialog's caption.
  virtual std::string title() const = 0;
};

// What the open/save file dialogs are asked. `filter` uses the program's own filter strings,
// pairs of description and pattern separated by '|' ("FITS files|*.FIT|All Files|*.*|");
// patterns match case-insensitively.
struct FileDialogRequest {
  std::string title;
  std::string filter;
  std::string directory;
  std::string fileName;
  std::string defaultExtension;
  int filterIndex = 1;  // the filter entry shown first, counted from 1
};

// Whether the user can stop the operation behind a progress window. A stoppable one says how
// (Esc, or its Abort button) and pump() reports the request; the others only show progress.
enum class Stoppable : bool { No, Yes };

// What the user chose when an image not saved since its exposure is about to be lost.
enum class SaveChoice { Save, Discard, Cancel };

// Everything an operation does through the window system.
class Ui {
 public:
  virtual ~Ui() = default;

  // A modal message box with an OK button.
  virtual void showMessage(std::string_view title, std::string_view text) = 0;
  virtual void beep() = 0;

  // Asks whether to save an image first, with the buttons Save, Discard and Cancel.
  virtual SaveChoice askSaveImage(std::string_view title, std::string_view text) = 0;

  // The modeless progress dialog: a caption and a bar from 0 to 256.
  virtual void openProgress(std::string_view caption, Stoppable stoppable = Stoppable::No) = 0;
  virtual void setProgress(int position) = 0;
  virtual void setProgressCaption(std::string_view caption) = 0;
  virtual void closeProgress() = 0;

  virtual void setBusyCursor(bool busy) = 0;
  // Asks the main window to rebuild the display image and repaint.
  virtual void requestRedraw() = 0;

  // Dispatches pending events. Returns true when the user asked meanwhile to stop the long
  // operation: Esc, or the Abort button of a stoppable progress window (Ctrl+C in the console).
  // Other keys and clicks are no abort.
  virtual bool pump() = 0;

  // Shows a modal dialog bound to `model` and returns how it was closed.
  virtual DialogResult runDialog(DialogModel& model) = 0;

  // The common file dialogs; nullopt when the user cancelled.
  virtual std::optional<std::string> openFileDialog(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> saveFileDialog(const FileDialogRequest& request) = 0;
};

}  // namespace nvk::port
