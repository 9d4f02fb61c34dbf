#pragma once

#include <QDialog>

#include "image/sub_frame_dialog.h"

namespace nvk::app::qt {

class QtUi;

// "Sub-Frame Selection": three radio buttons bound to the model, OK and Help.
class SubFrameDialogView final : public QDialog {
  Q_OBJECT

 public:
  SubFrameDialogView(image::SubFrameDialog& model, QtUi& ui, QWidget* parent);

 private:
  image::SubFrameDialog& model_;
};

}  // namespace nvk::app::qt
