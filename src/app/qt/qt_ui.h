#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "port/ui.h"

class QDialog;
class QFileDialog;
class QLabel;
class QScrollBar;
class QWidget;

namespace nvk::app::qt {

// The modeless progress window of every long operation: a caption and a bar from 0 to 256.
class ProgressWindow;

// Lets presses on `widget` through to it while a long operation dispatches events, which
// otherwise swallows them (the camera dialog's focuser buttons during focus mode, the progress
// window's Abort).
void passPressesDuringOperations(QWidget* widget);

// The Qt realisation of the Ui port.
class QtUi final : public QObject, public port::Ui {
  Q_OBJECT

 public:
  QtUi();
  ~QtUi() override;

  // What requestRedraw() does: the main window rebuilds and repaints its picture.
  void setRedrawHandler(std::function<void()> handler) { redraw_ = std::move(handler); }
  // The window that owns the dialogs.
  void setDialogParent(QWidget* parent) { dialogParent_ = parent; }

  void showMessage(std::string_view title, std::string_view text) override;
  void beep() override;
  port::SaveChoice askSaveImage(std::string_view title, std::string_view text) override;
  void openProgress(std::string_view caption,
                    port::Stoppable stoppable = port::Stoppable::No) override;
  void setProgress(int position) override;
  void setProgressCaption(std::string_view caption) override;
  void closeProgress() override;
  void setBusyCursor(bool busy) override;
  void requestRedraw() override;
  bool pump() override;
  // What a wait of the program dispatches while it waits: the events pending now, with keys and
  // clicks held back as in pump(); an Esc or Abort meanwhile is reported by the next pump().
  void dispatchWhileWaiting();
  port::DialogResult runDialog(port::DialogModel& model) override;
  std::optional<std::string> openFileDialog(const port::FileDialogRequest& request) override;
  std::optional<std::string> saveFileDialog(const port::FileDialogRequest& request) override;

  // The progress window while it is open (for tests and the screenshot), else nullptr.
  QWidget* progressWindow() const;
  int progressPosition() const;
  QString progressCaption() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::optional<std::string> runFileDialog(const port::FileDialogRequest& request, bool save);

  std::function<void()> redraw_;
  QPointer<QWidget> dialogParent_;
  // A child of the dialog parent, which may delete it first when the window closes.
  QPointer<ProgressWindow> progress_;
  // The file dialog that closed last, kept until the next one opens.
  QPointer<QFileDialog> finishedFileDialog_;
  bool pumping_ = false;
  bool abortPressed_ = false;
  bool abortWhileWaiting_ = false;
  int busyDepth_ = 0;
  // The last filter entry chosen for each filter string, and the last folder.
  std::map<std::string, int> lastFilter_;
  QString lastFolder_;
};

}  // namespace nvk::app::qt
