#pragma once

#include <QDialog>
#include <memory>

#include "port/ui.h"

namespace nvk::app::qt {

class QtUi;

// The Qt view of a dialog model, chosen by the model's dialogId(); nullptr when the program has
// no view for it.
std::unique_ptr<QDialog> makeDialogView(port::DialogModel& model, QtUi& ui, QWidget* parent);

}  // namespace nvk::app::qt
