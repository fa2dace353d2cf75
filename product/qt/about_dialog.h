// The About box: the product's icon, title, version, description and copyright, the copyright
// label opening the product's site when clicked, and an OK button that closes the box.
#pragma once

#include <QDialog>

#include "product/product_info.h"

class QLabel;
class QPushButton;

namespace sheaver {

class AboutDialog : public QDialog {
 public:
  // A box showing `about` (MakeAboutBox's content), modal over `owner`. Its widgets are named
  // picIcon, lblTitle, lblVersion, lblDescription, lblCopyright and cmdOK.
  explicit AboutDialog(const AboutBoxContent& about, QWidget* owner = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  AboutBoxContent about_;
  QLabel* lblCopyright_ = nullptr;
};

}  // namespace sheaver
