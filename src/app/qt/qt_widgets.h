#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "port/ui.h"

class QBoxLayout;
class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

namespace nvk::app::qt {

// One button of an exposure-unit radio group: the model's unit letter and its caption.
struct ExposureUnit {
  char unit;
  const char* caption;
};

// The exposure-unit radio buttons of a dialog, one a line of `layout` in `box`, each named
// "unit_<letter>"; a click calls `choose` with its letter. Returns what checks the button of
// `current()` again, for the dialog to call whenever it shows its model.
std::function<void()> addExposureUnitRadios(QWidget* box, QBoxLayout* layout,
                                            std::span<const ExposureUnit> units,
                                            std::function<char()> current,
                                            std::function<void(char)> choose);

// A push button named `name` that calls `clicked` and is never the dialog's default (Enter in
// an edit must not press it).
QPushButton* actionButton(QWidget* parent, const QString& caption, const char* name,
                          std::function<void()> clicked);

// An action button of `dialog` whose model action may end the dialog: a result closes it with
// that result; no result leaves it open and calls `sync` to show the model again.
QPushButton* closingButton(QDialog* dialog, const QString& caption, const char* name,
                           std::function<std::optional<port::DialogResult>()> action,
                           std::function<void()> sync);

// Makes `edit` hand its text to the model when the user ends an edit, by Enter or by leaving
// the field: `commit` takes the text, then `sync` shows what the model kept. A dialog's later
// repaint then fills the field from the model with the committed value, never the old one.
void commitOnFinish(QLineEdit* edit, std::function<void(const std::string&)> commit,
                    std::function<void()> sync);

}  // namespace nvk::app::qt
