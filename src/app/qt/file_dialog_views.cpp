#include "app/qt/file_dialog_views.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/qt/qt_text.h"
#include "app/qt/qt_ui.h"

namespace nvk::app::qt {
FitsDetailsDialogView::FitsDetailsDialogView(files::FitsDetailsDialog& model, QtUi&,
                                             QWidget* parent)
    : QDialog(parent), model_(model) {
  using Model = files::FitsDetailsDialog;
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  for (const auto& edit : Model::kEdits) {
    const int id = edit.controlId;
    const bool multiLine = edit.limit > 67;
    QWidget* widget = nullptr;
    if (multiLine) {
      auto* box = new QPlainTextEdit(toQString(model_.text(id)), this);
      box->setFixedHeight(box->fontMetrics().lineSpacing() * 4 + 12);
      connect(box, &QPlainTextEdit::textChanged, this, [this, box, id] {
        model_.setText(id, box->toPlainText().toStdString());
        // The model cuts the text at the limit; show what it kept.
        if (box->toPlainText().toStdString() != model_.text(id)) {
          const QSignalBlocker block(box);
          box->setPlainText(toQString(model_.text(id)));
          box->moveCursor(QTextCursor::End);
        }
      });
      widget = box;
    } else {
      auto* line = new QLineEdit(toQString(model_.text(id)), this);
      line->setMaxLength(static_cast<int>(edit.limit));
      connect(line, &QLineEdit::textEdited, this,
              [this, id](const QString& typed) { model_.setText(id, typed.toStdString()); });
      widget = line;
    }
    widget->setObjectName(QStringLiteral("edit%1").arg(id));
    form->addRow(toQString(edit.label), widget);
  }

  auto* utRow = new QHBoxLayout;
  utOffset_ = new QLineEdit(toQString(model_.text(Model::kUtOffsetEdit)), this);
  utOffset_->setReadOnly(true);
  utOffset_->setObjectName(QStringLiteral("edit%1").arg(Model::kUtOffsetEdit));
  utScroll_ = new QScrollBar(Qt::Horizontal, this);
  utScroll_->setObjectName(QStringLiteral("scroll%1").arg(Model::kUtOffsetScrollBar));
  utScroll_->setRange(Model::kMinUtOffset, Model::kMaxUtOffset);
  utScroll_->setSingleStep(1);
  utScroll_->setValue(model_.utOffset());
  connect(utScroll_, &QScrollBar::valueChanged, this, [this](int wanted) {
    // The model steps one hour at a time within its range.
    while (model_.utOffset() != wanted) {
      const int before = model_.utOffset();
      model_.scrollUtOffset(wanted > before ? 1 : -1);
      if (model_.utOffset() == before) break;
    }
    utOffset_->setText(toQString(model_.text(files::FitsDetailsDialog::kUtOffsetEdit)));
  });
  utRow->addWidget(utOffset_);
  utRow->addWidget(utScroll_);
  form->addRow(toQString(Model::kUtOffsetLabel), utRow);
  layout->addLayout(form);

  auto* eightBit = new QCheckBox(toQString(Model::kEightBitLabel), this);
  eightBit->setObjectName(QStringLiteral("check%1").arg(Model::kEightBitBox));
  eightBit->setChecked(model_.eightBit());
  connect(eightBit, &QCheckBox::clicked, this, [this] { model_.toggleEightBit(); });
  layout->addWidget(eightBit);

  auto* buttons = new QDialogButtonBox(this);
  auto* continueButton = buttons->addButton(tr("Continue"), QDialogButtonBox::AcceptRole);
  auto* abortButton = buttons->addButton(tr("Abort"), QDialogButtonBox::RejectRole);
  continueButton->setObjectName(QStringLiteral("continue"));
  abortButton->setObjectName(QStringLiteral("abort"));
  connect(continueButton, &QPushButton::clicked, this, [this] {
    done(static_cast<int>(model_.pressContinue()) == static_cast<int>(port::DialogResult::Ok)
             ? QDialog::Accepted
             : QDialog::Rejected);
  });
  connect(abortButton, &QPushButton::clicked, this,
          [this] { done(static_cast<int>(model_.pressAbort())); });
  layout->addWidget(buttons);
}

DeleteFileDialogView::DeleteFileDialogView(files::DeleteFileDialog& model, QtUi&, QWidget* parent)
    : QDialog(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(toQString(files::DeleteFileDialog::kQuestion), this));
  auto* path = new QLineEdit(QString::fromStdString(model.path()), this);
  path->setReadOnly(true);
  path->setObjectName(QStringLiteral("path"));
  path->setMinimumWidth(400);
  layout->addWidget(path);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace nvk::app::qt
