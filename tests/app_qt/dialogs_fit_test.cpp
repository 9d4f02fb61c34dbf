// Every dialog of the program, opened through the window's commands as the user opens them,
// fits the program's 1024 x 768 frame with all of its buttons inside it. The camera control
// dialog (1044 x 837) and the autoguider dialog (823 x 782) once put Take Photo, Cancel, Help and
// their bottom rows off the screen.
#include <gtest/gtest.h>

#include <cxxabi.h>
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <typeinfo>

#include "app/command_map.h"
#include "qt_test_support.h"

namespace nvk::app::qt {
namespace {

constexpr QSize kFrame(1024, 768);

// The buttons of `dialog` that are shown but not wholly inside it (cut by the dialog's edge or
// by a box they sit in). A button in a scroll area counts as reachable when the scroll area is.
std::vector<std::string> buttonsOutside(QDialog& dialog) {
  std::vector<std::string> outside;
  for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(&dialog)) continue;
    QRect area = button->rect();
    for (QWidget* w = button; w != &dialog; w = w->parentWidget()) {
      QWidget* parent = w->parentWidget();
      if (auto* scroll = qobject_cast<QAbstractScrollArea*>(parent->parentWidget());
          scroll != nullptr && scroll->viewport() == parent) {
        w = scroll;
        area = scroll->rect();
        parent = scroll->parentWidget();
      }
      area.translate(w->pos());
      if (!parent->rect().contains(area)) {
        outside.push_back(button->text().toStdString());
        break;
      }
    }
  }
  return outside;
}

// The view's class without its namespace ("CameraDialogView").
std::string viewName(const QDialog& dialog) {
  int status = 0;
  char* name = abi::__cxa_demangle(typeid(dialog).name(), nullptr, nullptr, &status);
  std::string shown = status == 0 ? name : typeid(dialog).name();
  std::free(name);
  return shown.substr(shown.rfind(':') + 1);
}

// Measures every modal window that appears, then closes it as Cancel would.
class DialogMeasurer {
 public:
  struct Measure {
    QSize size;
    std::vector<std::string> buttonsOutside;
  };

  DialogMeasurer() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      if (qobject_cast<QMessageBox*>(dialog) == nullptr &&
          qobject_cast<QFileDialog*>(dialog) == nullptr) {
        measured[viewName(*dialog)] = {dialog->frameGeometry().size(), buttonsOutside(*dialog)};
      }
      dialog->reject();
    });
    timer_.start();
  }
  std::map<std::string, Measure> measured;

 private:
  QTimer timer_;
};

// With a drive method, so that Telescope Control is offered too.
struct DialogsFitTest : test::MainWindowTest {
  DialogsFitTest() : MainWindowTest(test::driveOnCom1()) {}
};

TEST_F(DialogsFitTest, EveryDialogFitsTheFrameWithAllItsButtons) {
  // Not run: Exit, Help (a browser) and printing (Qt's own dialogs), and the guiding loops,
  // which run until the user stops them.
  const std::set<int> skipped = {cmd::kExit, cmd::kHelp, 114, 116, 21, 22, 23};
  window.resize(kFrame);
  DialogMeasurer measurer;
  for (const CommandInfo& command : commandTable()) {
    if (!command.landed() || skipped.count(command.id) != 0) continue;
    window.runCommand(command.id);
    window.setPickMode(PickMode::None);
  }

  // The dialogs that only a pick on the picture or a chosen file opens are reached by their
  // own tests; the ones above must all have shown.
  for (const char* view : {"CameraDialogView", "GuiderDialogView", "DefaultsDialogView",
                           "TMTDialogView", "SubFrameDialogView", "NormalStretchView"}) {
    EXPECT_EQ(measurer.measured.count(view), 1u) << view << " was not opened";
  }
  for (const auto& [view, m] : measurer.measured) {
    SCOPED_TRACE(view);
    EXPECT_LE(m.size.width(), kFrame.width());
    EXPECT_LE(m.size.height(), kFrame.height());
    EXPECT_TRUE(m.buttonsOutside.empty()) << m.buttonsOutside.front();
  }
}

}  // namespace
}  // namespace nvk::app::qt
