#include "app/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>

#include "app/qt/guiding_views.h"
#include "app/qt/help_window.h"
#include "app/qt/image_view.h"
#include "app/qt/measure_windows.h"
#include "app/qt/print_picture.h"
#include "app/qt/qt_text.h"
#include "app/qt/qt_ui.h"
#include "app/qt/tool_icons.h"

namespace nvk::app::qt {
namespace {

QColor backgroundColour(settings::WindowBackground background) {
  switch (background) {
    case settings::WindowBackground::Grey:
      return {90, 90, 90};
    case settings::WindowBackground::Red:
      return {120, 40, 40};
    case settings::WindowBackground::LightGrey:
      break;
  }
  return {192, 192, 192};
}

}  // namespace

TNVK_K7LQWindow::TNVK_K7LQWindow(Program& program, QtUi& ui) : model_(program, *this), ui_(ui) {
  setObjectName(QStringLiteral("TNVK_K7LQWindow"));
  view_ = new ImageView(program, this);
  view_->onLeftClick = [this](int x, int y) { onLeftClick(x, y); };
  view_->onRightClick = [this](int x, int y) { onRightClick(x, y); };
  view_->onMouseMove = [this](int x, int y) { onMouseMove(x, y); };
  toolWindows_ =
      std::make_unique<ToolWindows>(model_.context(), this, [this] { updateCommandStates(); });
  guidingViews_ = std::make_unique<GuidingViews>(program, this);
  setCentralWidget(view_);
  buildMenus();
  buildToolBar();
  statusLabel_ = new QLabel(QString::fromLatin1(kStatusText), this);
  statusBar()->addWidget(statusLabel_, 1);
  setDocumentTitle("(Untitled)");
  move(0, 0);
  resize(1024, 768);

  ui_.setDialogParent(this);
  ui_.setRedrawHandler([this] { redraw(false); });
  runPrintSetupDialog = [this](QPrinter& p) {
    return QPageSetupDialog(&p, this).exec() == QDialog::Accepted;
  };
  runPrintDialog = [this](QPrinter& p) {
    return QPrintDialog(&p, this).exec() == QDialog::Accepted;
  };
  settingsChanged();
}

TNVK_K7LQWindow::~TNVK_K7LQWindow() {
  model_.closeDevices();
  ui_.setRedrawHandler({});
  ui_.setDialogParent(nullptr);
}

void TNVK_K7LQWindow::buildMenus() {
  std::map<Menu, QMenu*> menus;
  for (Menu m : {Menu::File, Menu::Edit, Menu::View, Menu::Camera, Menu::Telescope, Menu::Contrast,
                 Menu::Filters, Menu::Colour, Menu::Merging, Menu::Help}) {
    menus[m] = menuBar()->addMenu(toQString(menuTitle(m)));
  }
  for (const CommandInfo& command : commandTable()) {
    auto* action = new QAction(toQString(command.text), this);
    action->setData(command.id);
    if (!command.accelerator.empty()) {
      action->setShortcut(QKeySequence(toQString(command.accelerator)));
    }
    action->setCheckable(command.checked != nullptr);
    const QIcon icon = toolIcon(command.id);
    if (!icon.isNull()) action->setIcon(icon);
    const int id = command.id;
    connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_[id] = action;
    if (command.menu == Menu::ToolBarOnly) continue;
    QMenu* menu = menus[command.menu];
    if (command.separatorBefore && !menu->isEmpty()) menu->addSeparator();
    menu->addAction(action);
  }
  // The accelerators work while the menus are closed: the menu bar carries the actions.
}

void TNVK_K7LQWindow::buildToolBar() {
  toolBar_ = addToolBar(tr("Tools"));
  toolBar_->setObjectName(QStringLiteral("toolBar"));
  toolBar_->setMovable(false);
  toolBar_->setIconSize(QSize(24, 24));
  for (int id : toolBarCommands()) {
    if (id == 0) {
      toolBar_->addSeparator();
      continue;
    }
    toolBar_->addAction(actions_.at(id));
    if (id == cmd::kHalfSizeDisplay) {
      // The pair's second button: pressed while the display is at full size.
      fullSizeButton_ = new QAction(fullSizeDisplayIcon(), tr("Full Size Display"), this);
      fullSizeButton_->setCheckable(true);
      connect(fullSizeButton_, &QAction::triggered, this, [this] {
        model_.showFullSize();
        updateCommandStates();
      });
      toolBar_->addAction(fullSizeButton_);
    }
  }
  telescopeButton_ = new QAction(toolIcon(cmd::kTelescopeControl),
                                 actions_.at(cmd::kTelescopeControl)->text(), this);
  connect(telescopeButton_, &QAction::triggered, this,
          [this] { runCommand(cmd::kTelescopeControl); });
  toolBar_->addAction(telescopeButton_);
}

bool TNVK_K7LQWindow::runCommand(int id) {
  const bool ran = model_.run(id);
  updateCommandStates();
  return ran;
}

QAction* TNVK_K7LQWindow::commandAction(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void TNVK_K7LQWindow::updateCommandStates() {
  for (const MainWindowModel::CommandState& state : model_.commandStates()) {
    QAction* action = actions_.at(state.id);
    action->setEnabled(state.enabled);
    if (action->isCheckable()) action->setChecked(state.checked);
  }
  if (fullSizeButton_ != nullptr) fullSizeButton_->setChecked(model_.fullSizeDisplay());
  telescopeButton_->setVisible(model_.telescopeButtonShown());
  telescopeButton_->setEnabled(actions_.at(cmd::kTelescopeControl)->isEnabled());
  if (toolWindows_) toolWindows_->sync();
  if (statusLabel_ != nullptr) statusLabel_->setText(toQString(model_.statusText()));
}

void TNVK_K7LQWindow::setDocumentTitle(std::string_view title) {
  documentTitle_ = title;
  setWindowTitle(QString::fromLatin1(kApplicationTitle) + " - " + toQString(title));
}

void TNVK_K7LQWindow::redraw(bool resetScroll) {
  model_.buildPicture();
  view_->setPicture();
  view_->updateScrollRange(resetScroll);
  toolWindows_->pictureChanged();
  guidingViews_->sync();
  updateCommandStates();
}

void TNVK_K7LQWindow::setPickMode(PickMode mode) {
  pickMode_ = mode;
  view_->setSubFrameOutline(mode == PickMode::SubFrameCentre);
  view_->viewport()->setCursor(mode == PickMode::None ? Qt::ArrowCursor : Qt::CrossCursor);
  if (mode == PickMode::SubFrameCentre) view_->viewport()->setCursor(Qt::ArrowCursor);
}

bool TNVK_K7LQWindow::pictureExists() const {
  return view_->hasPicture();
}

void TNVK_K7LQWindow::copyPicture() {
  if (view_->hasPicture()) QApplication::clipboard()->setImage(view_->picture());
}

QPrinter& TNVK_K7LQWindow::printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

void TNVK_K7LQWindow::printSetup() {
  runPrintSetupDialog(printer());
}

void TNVK_K7LQWindow::printPicture() {
  if (!view_->hasPicture()) return;
  QPrinter& p = printer();
  p.setDocName(windowTitle());
  if (!runPrintDialog(p)) return;
  if (!qt::printPicture(p, view_->picture())) model_.reportPrintFailure();
}

void TNVK_K7LQWindow::showAbout() {
  QMessageBox::about(
      this, tr("About NVK_K7LQ_USB"),
      tr("<h3>NVK_K7LQ_USB</h3>"
         "<p>NVK K7LQ Camera Control and Image processing program, version %1.</p>"
         "<p>Takes exposures with the NVK K7LQ one-shot-colour camera and its guide head, "
         "guides the telescope, and calibrates, colours, stretches, filters and saves the "
         "images (FITS, KR raw files, TIFF and bitmaps).</p>")
          .arg(QCoreApplication::applicationVersion()));
}

bool TNVK_K7LQWindow::openHelp() {
  if (help_ == nullptr) {
    const QString home = findHelpHome(QCoreApplication::applicationDirPath());
    if (home.isEmpty()) return false;
    help_ = new HelpWindow(home, this);
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
  return true;
}

void TNVK_K7LQWindow::closeWindow() {
  close();
}

void TNVK_K7LQWindow::closeEvent(QCloseEvent* event) {
  if (!model_.mayClose()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TNVK_K7LQWindow::settingsChanged() {
  view_->setBackground(backgroundColour(model_.background()));
  updateCommandStates();
}

void TNVK_K7LQWindow::showToolWindow(ToolWindow window) {
  toolWindows_->show(window);
}

void TNVK_K7LQWindow::onLeftClick(int x, int y) {
  const MainWindowModel::ClickResult result = model_.click(pickMode_, x, y, false);
  if (result.measured) {
    updateCommandStates();
    return;
  }
  if (pickMode_ == PickMode::None) return;
  const PickMode before = pickMode_;
  setPickMode(result.mode);
  if (before != pickMode_) view_->viewport()->update();
}

void TNVK_K7LQWindow::onRightClick(int x, int y) {
  if (model_.click(pickMode_, x, y, true).measured) updateCommandStates();
}

void TNVK_K7LQWindow::onMouseMove(int x, int y) {
  toolWindows_->mouseMoved(x, y);
  // The merge cursor: a cross over the picture, the arrow beside it.
  if (pickMode_ == PickMode::Merge) {
    const bool over = view_->hasPicture() && x >= 0 && y >= 0 && x < view_->picture().width() &&
                      y < view_->picture().height();
    view_->viewport()->setCursor(over ? Qt::CrossCursor : Qt::ArrowCursor);
  }
}

}  // namespace nvk::app::qt
