#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <vector>

#include "acquire/guider_dialog.h"

class QLabel;

namespace nvk::app::qt {

class QtUi;

// "Auto Guider Camera Control": the widgets of the autoguider camera dialog bound to
// TGNVDialog, in group boxes: the 500 x 290 guide image with its co-ordinate read-out and
// exposure buttons, the exposure range and value, the display and camera options, the
// guide-head calibration columns, the AO unit, the moves, and the closing buttons. Every
// control calls the model and then shows its state again.
class GuiderDialogView final : public QDialog {
  Q_OBJECT

 public:
  GuiderDialogView(acquire::TGNVDialog& model, QtUi& ui, QWidget* parent);
  ~GuiderDialogView() override;

  // The widget showing the guide image (image coordinates are its pixel coordinates).
  QLabel* guideImage() const { return image_; }

 private:
  void sync();

  acquire::TGNVDialog& model_;
  QLabel* image_ = nullptr;
  std::vector<std::uint8_t> shownPixels_;
  // Each refreshes one widget from the model.
  std::vector<std::function<void()>> updates_;
};

}  // namespace nvk::app::qt
