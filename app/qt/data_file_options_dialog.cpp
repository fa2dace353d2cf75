#include "app/qt/data_file_options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"

namespace sheaver {

DataFileOptionsDialog::DataFileOptionsDialog(const DataFileOptionsChoice& choice, QWidget* parent)
    : QDialog(parent),
      cboSeparator_(new QComboBox(this)),
      chkByteOrderMark_(new QCheckBox(ToQString(kByteOrderMarkCaption), this)),
      chkNeutralise_(new QCheckBox(ToQString(kNeutraliseCaption), this)) {
  setObjectName("DataFileOptionsDialog");
  setWindowTitle(ToQString(kDataFileOptionsCaption));
  cboSeparator_->setObjectName("cboSeparator");
  chkByteOrderMark_->setObjectName("chkByteOrderMark");
  chkNeutralise_->setObjectName("chkNeutralise");
  for (const char* caption : kSeparatorCaptions) cboSeparator_->addItem(ToQString(caption));
  cboSeparator_->setCurrentIndex(choice.separatorIndex);
  chkByteOrderMark_->setChecked(choice.byteOrderMark);
  chkNeutralise_->setChecked(choice.neutraliseFormulas);

  auto* form = new QFormLayout;
  form->addRow("&Separator:", cboSeparator_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(chkByteOrderMark_);
  layout->addWidget(chkNeutralise_);
  layout->addWidget(buttons);
}

DataFileOptionsChoice DataFileOptionsDialog::Choice() const {
  DataFileOptionsChoice choice;
  choice.separatorIndex = cboSeparator_->currentIndex();
  choice.byteOrderMark = chkByteOrderMark_->isChecked();
  choice.neutraliseFormulas = chkNeutralise_->isChecked();
  return choice;
}

}  // namespace sheaver
