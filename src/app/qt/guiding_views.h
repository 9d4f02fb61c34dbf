#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>

#include "acquire/guiding_windows.h"
#include "app/program.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nvk::app::qt {

// "Guiding Info" (TInfoDialog), open while main-camera guiding (command 22) runs: the star's
// x and y and the error dx and dy of the last guiding frame, "Pause" (frames go on, no
// corrections) and "Stop" (guiding ends after the frame).
class TInfoDialogView final : public QDialog {
  Q_OBJECT

 public:
  TInfoDialogView(acquire::GuidingWindows& model, QWidget* parent);
  // Shows the model's fields again.
  void refresh();

 private:
  acquire::GuidingWindows& model_;
  QLineEdit* x_;
  QLineEdit* y_;
  QLineEdit* dx_;
  QLineEdit* dy_;
  QCheckBox* pause_;
  QPushButton* stop_;
};

// The guide image of the guiding display: the last guide frame squeezed into 288 x 181, with a
// cross-hair on the star.
class GuideImageArea final : public QWidget {
  Q_OBJECT

 public:
  explicit GuideImageArea(QWidget* parent);
  void setFrame(const std::vector<std::uint16_t>& samples, const scope::StarPosition& star);
  const QImage& frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage frame_;
  scope::StarPosition star_;
};

// "Guidestar Movement": the 100 x 100 square centred on the reference, the error as a cross.
class GuidestarPlot final : public QWidget {
  Q_OBJECT

 public:
  explicit GuidestarPlot(QWidget* parent);
  void setError(const scope::GuideError& error);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  scope::GuideError error_;
};

// "AutoGuider Camera Guiding" (TGInfoDialog), open while a main exposure guides on the guide
// head: the guide image, x, y, dx, dy, the slew times, the AO fields, the "Guidestar Movement"
// plot and "Stop Guiding", enabled while guiding runs.
class TGInfoDialogView final : public QDialog {
  Q_OBJECT

 public:
  TGInfoDialogView(acquire::GuidingWindows& model, QWidget* parent);
  void refresh();

 private:
  acquire::GuidingWindows& model_;
  GuideImageArea* image_;
  GuidestarPlot* plot_;
  QLineEdit* fields_[9] = {};
  QPushButton* stop_;
};

// The two guiding displays of the main window, over one acquire::GuidingWindows model. They
// follow the guiding state: sync() (run on every redraw request) shows, updates or hides each
// as the guiding loops have left it. Their
// buttons work while the loops run (passPressesDuringOperations).
class GuidingViews {
 public:
  GuidingViews(Program& program, QWidget* parent);
  ~GuidingViews();

  void sync();

  TInfoDialogView& info() { return *info_; }
  TGInfoDialogView& display() { return *display_; }

 private:
  acquire::GuidingWindows model_;
  TInfoDialogView* info_;
  TGInfoDialogView* display_;
};

}  // namespace nvk::app::qt
