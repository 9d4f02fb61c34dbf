#include "app/qt/qt_widgets.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <utility>
#include <vector>

namespace nvk::app::qt {

std::function<void()> addExposureUnitRadios(QWidget* box, QBoxLayout* layout,
                                            std::span<const ExposureUnit> units,
                                            std::function<char()> current,
                                            std::function<void(char)> choose) {
  auto* group = new QButtonGroup(box);
  std::vector<std::pair<QRadioButton*, char>> radios;
  for (const ExposureUnit& u : units) {
    auto* radio = new QRadioButton(QString::fromUtf8(u.caption), box);
    radio->setObjectName(QStringLiteral("unit_%1").arg(QChar(u.unit)));
    group->addButton(radio, u.unit);
    layout->addWidget(radio);
    radios.emplace_back(radio, u.unit);
  }
  QObject::connect(group, &QButtonGroup::idClicked, box,
                   [choose = std::move(choose)](int unit) { choose(static_cast<char>(unit)); });
  return [radios = std::move(radios), current = std::move(current)] {
    const char unit = current();
    for (const auto& [radio, u] : radios) {
      QSignalBlocker block(radio);
      radio->setChecked(unit == u);
    }
  };
}

QPushButton* actionButton(QWidget* parent, const QString& caption, const char* name,
                          std::function<void()> clicked) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromUtf8(name));
  b->setAutoDefault(false);
  QObject::connect(b, &QPushButton::clicked, b, [clicked = std::move(clicked)] { clicked(); });
  return b;
}

QPushButton* closingButton(QDialog* dialog, const QString& caption, const char* name,
                           std::function<std::optional<port::DialogResult>()> action,
                           std::function<void()> sync) {
  return actionButton(dialog, caption, name,
                      [dialog, action = std::move(action), sync = std::move(sync)] {
                        if (const auto result = action()) {
                          dialog->done(static_cast<int>(*result));
                        } else {
                          sync();
                        }
                      });
}

void commitOnFinish(QLineEdit* edit, std::function<void(const std::string&)> commit,
                    std::function<void()> sync) {
  QObject::connect(edit, &QLineEdit::editingFinished, edit,
                   [edit, commit = std::move(commit), sync = std::move(sync)] {
                     commit(edit->text().toStdString());
                     sync();
                   });
}

}  // namespace nvk::app::qt
