#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "acquire/camera_dialog.h"

class QLabel;
class QLineEdit;
class QScrollBar;

namespace nvk::app::qt {

class QtUi;

// "NVK_K7LQ Control Interface": the widgets of the camera control dialog bound to TNVDialog.
// Every control calls the model and then shows the settings again.
class CameraDialogView final : public QDialog {
  Q_OBJECT

 public:
  CameraDialogView(acquire::TNVDialog& model, QtUi& ui, QWidget* parent);
  ~CameraDialogView() override;

 private:
  void sync();

  acquire::TNVDialog& model_;
  QLineEdit* exposureField_ = nullptr;
  QLabel* focusImage_ = nullptr;
  QScrollBar* stretchBar_ = nullptr;
  QScrollBar* setPointBar_ = nullptr;
  // Each refreshes one widget from the model.
  std::vector<std::function<void()>> updates_;
};

}  // namespace nvk::app::qt
