#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>

#include "app/main_window_model.h"

class QAction;
class QLabel;
class QPrinter;
class QToolBar;

namespace nvk::app::qt {

class GuidingViews;
class HelpWindow;
class ImageView;
class QtUi;
class ToolWindows;

// The main window: the frame with the menu, the tool bar and the status bar around the picture.
// Every menu entry, tool button and accelerator goes through the command table. The window is a
// view of MainWindowModel; it wires its child views to the program it is given.
class TNVK_K7LQWindow final : public QMainWindow, public WindowActions {
  Q_OBJECT

 public:
  TNVK_K7LQWindow(Program& program, QtUi& ui);
  ~TNVK_K7LQWindow() override;

  // Runs command `id` as its menu entry does; false when it is unknown or disabled.
  bool runCommand(int id);
  // The menu action of command `id` (tool-bar-only commands too); nullptr when none.
  QAction* commandAction(int id) const;
  ImageView* imageView() const { return view_; }
  QToolBar* toolBar() const { return toolBar_; }
  QLabel* statusLabel() const { return statusLabel_; }
  // The tool button of the telescope control, shown only with a telescope drive method.
  QAction* telescopeButton() const { return telescopeButton_; }
  // The windows of the measurement tools.
  ToolWindows& toolWindows() const { return *toolWindows_; }
  // "Guiding Info" and "AutoGuider Camera Guiding", shown while guiding runs.
  GuidingViews& guidingViews() const { return *guidingViews_; }
  // Re-reads enabling and check marks from the command table.
  void updateCommandStates();

  // --- WindowActions ---
  void setDocumentTitle(std::string_view title) override;
  std::string documentTitle() const override { return documentTitle_; }
  void redraw(bool resetScroll) override;
  PickMode pickMode() const override { return pickMode_; }
  void setPickMode(PickMode mode) override;
  bool pictureExists() const override;
  void copyPicture() override;
  void printSetup() override;
  void printPicture() override;
  void showAbout() override;
  bool openHelp() override;
  void closeWindow() override;
  void settingsChanged() override;
  void showToolWindow(ToolWindow window) override;

  // The printer that Print setup prepares and Print prints on; kept for the whole run.
  QPrinter& printer();
  // The two printing dialogs, each returning whether the user accepted it. Qt's page set-up and
  // print dialogs by default; a test replaces them (a PDF file as the printer, say).
  std::function<bool(QPrinter&)> runPrintSetupDialog;
  std::function<bool(QPrinter&)> runPrintDialog;

 protected:
  // Closing the window (File > Exit too) first asks about an image not saved since its
  // exposure; Cancel, or a save that did not happen, keeps the window open.
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void buildToolBar();
  void onLeftClick(int x, int y);
  void onRightClick(int x, int y);
  void onMouseMove(int x, int y);

  MainWindowModel model_;
  QtUi& ui_;
  ImageView* view_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QAction* telescopeButton_ = nullptr;
  QAction* fullSizeButton_ = nullptr;  // the second button of the half-size display pair
  std::map<int, QAction*> actions_;
  std::unique_ptr<QPrinter> printer_;
  std::string documentTitle_;
  PickMode pickMode_ = PickMode::None;
  std::unique_ptr<ToolWindows> toolWindows_;
  std::unique_ptr<GuidingViews> guidingViews_;
  // The help, made on first use and kept for the run.
  QPointer<HelpWindow> help_;
};

}  // namespace nvk::app::qt
