#include "app/qt/qt_ui.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "app/file_filter.h"
#include "app/qt/dialog_views.h"
#include "app/qt/qt_text.h"

namespace nvk::app::qt {
class ProgressWindow final : public QDialog {
 public:
  ProgressWindow(QWidget* parent, std::function<void()> onAbort) : QDialog(parent) {
    setObjectName(QStringLiteral("progress"));
    setModal(false);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    auto* layout = new QVBoxLayout(this);
    caption_ = new QLabel(this);
    caption_->setAlignment(Qt::AlignCenter);
    bar_ = new QScrollBar(Qt::Horizontal, this);
    bar_->setRange(0, 256);
    // The bar only shows progress: a click on it is no scroll.
    bar_->setAttribute(Qt::WA_TransparentForMouseEvents);
    bar_->setFocusPolicy(Qt::NoFocus);
    hint_ = new QLabel(tr("Press Esc or Abort to stop"), this);
    hint_->setObjectName(QStringLiteral("stopHint"));
    hint_->setAlignment(Qt::AlignCenter);
    abort_ = new QPushButton(tr("Abort"), this);
    abort_->setObjectName(QStringLiteral("abort"));
    abort_->setFocusPolicy(Qt::NoFocus);
    passPressesDuringOperations(abort_);
    connect(abort_, &QPushButton::clicked, this, std::move(onAbort));
    catchUp_.setSingleShot(true);
    connect(&catchUp_, &QTimer::timeout, this, [this] { showPosition(); });
    layout->addWidget(caption_);
    layout->addWidget(bar_);
    layout->addWidget(hint_);
    layout->addWidget(abort_, 0, Qt::AlignHCenter);
    setFixedWidth(320);
  }
  void setCaption(const QString& caption) {
    setWindowTitle(caption);
    caption_->setText(caption);
  }
  QString caption() const { return caption_->text(); }
  // The bar moves at most every kRepaintIntervalMs: operations report after every band of rows,
  // hundreds of times a second, and repainting the bar each time slows them for nothing seen. A
  // position held back is shown when the interval has passed and events are dispatched.
  void setPosition(int position) {
    position_ = std::clamp(position, bar_->minimum(), bar_->maximum());
    if (position == 0 || !sinceMoved_.isValid() || sinceMoved_.elapsed() >= kRepaintIntervalMs) {
      showPosition();
    } else if (!catchUp_.isActive()) {
      catchUp_.start(static_cast<int>(kRepaintIntervalMs - sinceMoved_.elapsed()));
    }
  }
  int position() const { return position_; }
  void setStoppable(bool stoppable) {
    hint_->setVisible(stoppable);
    abort_->setVisible(stoppable);
    adjustSize();
  }

 private:
  void showPosition() {
    catchUp_.stop();
    bar_->setValue(position_);
    sinceMoved_.start();
  }

  QLabel* caption_;
  static constexpr qint64 kRepaintIntervalMs = 15;
  QScrollBar* bar_;
  int position_ = 0;
  QElapsedTimer sinceMoved_;
  QTimer catchUp_;
  QLabel* hint_;
  QPushButton* abort_;
};

QtUi::QtUi() {
  qApp->installEventFilter(this);
}

QtUi::~QtUi() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
  while (busyDepth_ > 0)
    setBusyCursor(false);
  delete progress_.data();
  delete finishedFileDialog_.data();
}

void QtUi::showMessage(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, toQString(title), toQString(text), QMessageBox::Ok);
  box.exec();
}

void QtUi::beep() {
  QApplication::beep();
}

port::SaveChoice QtUi::askSaveImage(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::Question, toQString(title), toQString(text),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                  dialogParent_.data());
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save:
      return port::SaveChoice::Save;
    case QMessageBox::Discard:
      return port::SaveChoice::Discard;
    default:
      return port::SaveChoice::Cancel;
  }
}

void QtUi::openProgress(std::string_view caption, port::Stoppable stoppable) {
  abortWhileWaiting_ = false;
  if (!progress_) {
    progress_ = new ProgressWindow(dialogParent_.data(), [this] { abortPressed_ = true; });
  }
  progress_->setCaption(toQString(caption));
  progress_->setStoppable(stoppable == port::Stoppable::Yes);
  progress_->setPosition(0);
  progress_->show();
  progress_->raise();
}

void QtUi::setProgress(int position) {
  if (progress_) progress_->setPosition(position);
}

void QtUi::setProgressCaption(std::string_view caption) {
  if (progress_) progress_->setCaption(toQString(caption));
}

void QtUi::closeProgress() {
  if (progress_) progress_->hide();
}

QWidget* QtUi::progressWindow() const {
  return progress_ && progress_->isVisible() ? progress_.data() : nullptr;
}

int QtUi::progressPosition() const {
  return progress_ ? progress_->position() : 0;
}

QString QtUi::progressCaption() const {
  return progress_ ? progress_->caption() : QString();
}

void QtUi::setBusyCursor(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++busyDepth_;
  } else if (busyDepth_ > 0) {
    QApplication::restoreOverrideCursor();
    --busyDepth_;
  }
}

void QtUi::requestRedraw() {
  if (redraw_) redraw_();
}

bool QtUi::pump() {
  pumping_ = true;
  abortPressed_ = abortWhileWaiting_;
  abortWhileWaiting_ = false;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  pumping_ = false;
  return abortPressed_;
}

void QtUi::dispatchWhileWaiting() {
  // Inside a pump the events are being dispatched already.
  if (pumping_) return;
  pumping_ = true;
  abortPressed_ = false;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  pumping_ = false;
  abortWhileWaiting_ = abortWhileWaiting_ || abortPressed_;
}

namespace {

constexpr const char* kPassesPresses = "nvkPassesPresses";

// The widget a mouse press goes to: the watched widget itself, or for a press on a window the
// widget under the pointer in it.
QWidget* pressedWidget(QObject* watched, QEvent* event) {
  if (auto* widget = qobject_cast<QWidget*>(watched)) return widget;
  auto* window = qobject_cast<QWindow*>(watched);
  if (window == nullptr) return nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->windowHandle() != window) continue;
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    QWidget* child = top->childAt(at);
    return child ? child : top;
  }
  return nullptr;
}

bool passesPresses(QWidget* widget) {
  for (; widget != nullptr; widget = widget->parentWidget()) {
    if (widget->property(kPassesPresses).toBool()) return true;
  }
  return false;
}

}  // namespace

void passPressesDuringOperations(QWidget* widget) {
  widget->setProperty(kPassesPresses, true);
}

bool QtUi::eventFilter(QObject* watched, QEvent* event) {
  if (pumping_) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
        passesPresses(pressedWidget(watched, event))) {
      return QObject::eventFilter(watched, event);
    }
    if (type == QEvent::ShortcutOverride) {
      // No menu accelerator starts another command in the middle of this one.
      event->accept();
      return true;
    }
    if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress ||
        type == QEvent::MouseButtonDblClick) {
      // Keys and clicks go no further during a long operation; only Esc asks it to stop, so
      // that a stray key (Shift alone, say) or a click beside a button loses nothing. The
      // operation that takes Esc as its abort beeps (the exposure waits do), so a press is not
      // heard twice.
      if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        abortPressed_ = true;
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

port::DialogResult QtUi::runDialog(port::DialogModel& model) {
  std::unique_ptr<QDialog> view = makeDialogView(model, *this, dialogParent_.data());
  if (!view) {
    // A dialog model without a view: nothing to show, so it closes as cancelled.
    beep();
    return port::DialogResult::Cancel;
  }
  view->setWindowTitle(toQString(model.title()));
  const int result = view->exec();
  if (result == QDialog::Accepted) return port::DialogResult::Ok;
  if (result == QDialog::Rejected) return port::DialogResult::Cancel;
  return static_cast<port::DialogResult>(result);
}

std::optional<std::string> QtUi::openFileDialog(const port::FileDialogRequest& request) {
  return runFileDialog(request, false);
}

std::optional<std::string> QtUi::saveFileDialog(const port::FileDialogRequest& request) {
  return runFileDialog(request, true);
}

namespace {

// Lists the files of a file dialog's folder by the program's rule for the entry chosen, which
// Qt's own name filters cannot say: letters in either case, the other extensions of a kind
// (".fits", ".fts"), and the program's raw files, which have no extension. Folders always show.
class FileFilterProxy final : public QSortFilterProxyModel {
 public:
  FileFilterProxy(std::vector<FileFilterEntry> entries, QObject* parent)
      : QSortFilterProxyModel(parent), entries_(std::move(entries)) {}

  void setEntry(int index) {
    if (index == entry_) return;
    entry_ = index;
    invalidateFilter();
  }

  // The folder model keeps the files Qt's filter would drop, greyed; what is listed here is
  // enabled again.
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return QSortFilterProxyModel::flags(index) | Qt::ItemIsEnabled;
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (files == nullptr || entry_ < 0 || entry_ >= static_cast<int>(entries_.size())) return true;
    const QModelIndex index = files->index(row, 0, parent);
    if (files->isDir(index)) return true;
    return fileFilterAccepts(entries_[static_cast<std::size_t>(entry_)],
                             files->fileName(index).toStdString());
  }

 private:
  std::vector<FileFilterEntry> entries_;
  int entry_ = -1;
};

// The entry of `filters` that the dialog names `shown` (with the patterns hidden, it may name
// it by its description only), or -1.
int filterEntryIndex(const QStringList& filters, const QString& shown) {
  for (int i = 0; i < filters.size(); ++i) {
    if (filters[i] == shown || filters[i].startsWith(shown + " (")) return i;
  }
  return -1;
}

}  // namespace

std::optional<std::string> QtUi::runFileDialog(const port::FileDialogRequest& request, bool save) {
  // The last file dialog is kept, closed, until the next one: destroying Qt's file dialog stops
  // its folder watcher, tens of milliseconds that the user would otherwise wait for after
  // choosing a file, before its picture appears.
  delete finishedFileDialog_.data();
  finishedFileDialog_ = new QFileDialog(dialogParent_.data(), toQString(request.title));
  QFileDialog& dialog = *finishedFileDialog_;
  // Qt's own dialog, which takes a proxy model; the patterns stay behind the descriptions.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  std::vector<FileFilterEntry> entries = fileDialogEntries(request.filter);
  QStringList filters;
  for (const FileFilterEntry& entry : entries) {
    QStringList patterns;
    for (const std::string& p : entry.patterns)
      patterns << QString::fromStdString(p);
    filters << QString::fromStdString(entry.description) + " (" + patterns.join(' ') + ")";
  }
  auto* proxy = new FileFilterProxy(std::move(entries), &dialog);
  dialog.setProxyModel(proxy);
  if (auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel())) {
    files->setNameFilterDisables(true);
  }
  dialog.setNameFilters(filters);
  if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
    QObject::connect(types, &QComboBox::currentIndexChanged, proxy, &FileFilterProxy::setEntry);
  }
  QObject::connect(
      &dialog, &QFileDialog::filterSelected, proxy,
      [filters, proxy](const QString& f) { proxy->setEntry(filterEntryIndex(filters, f)); });
  if (auto last = lastFilter_.find(request.filter);
      last != lastFilter_.end() && last->second < filters.size()) {
    dialog.selectNameFilter(filters[last->second]);
  }
  proxy->setEntry(filterEntryIndex(filters, dialog.selectedNameFilter()));
  const QString folder =
      request.directory.empty() ? lastFolder_ : QString::fromStdString(request.directory);
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
  if (!request.defaultExtension.empty()) {
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  if (const int chosen = filterEntryIndex(filters, dialog.selectedNameFilter()); chosen >= 0) {
    lastFilter_[request.filter] = chosen;
  }
  const QString chosen = dialog.selectedFiles().first();
  lastFolder_ = QFileInfo(chosen).absolutePath();
  return chosen.toStdString();
}

}  // namespace nvk::app::qt
