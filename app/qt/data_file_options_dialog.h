// The "Data file options" dialog: the separator, the byte-order mark and neutralised formulas
// of the data files the window's runs write. It shows a DataFileOptionsChoice and gives back the
// edited one; what the choices mean is in ui/data_file_options_choice.h.
#pragma once

#include <QDialog>

#include "ui/data_file_options_choice.h"

class QCheckBox;
class QComboBox;

namespace sheaver {

class DataFileOptionsDialog : public QDialog {
 public:
  DataFileOptionsDialog(const DataFileOptionsChoice& choice, QWidget* parent);

  // The choice as the dialog's controls stand.
  DataFileOptionsChoice Choice() const;

 private:
  QComboBox* cboSeparator_;
  QCheckBox* chkByteOrderMark_;
  QCheckBox* chkNeutralise_;
};

}  // namespace sheaver
