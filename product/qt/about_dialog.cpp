#include "product/qt/about_dialog.h"

#include <QEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/icons.h"
#include "platform/qt/qt_text.h"

namespace sheaver {

AboutDialog::AboutDialog(const AboutBoxContent& about, QWidget* owner)
    : QDialog(owner), about_(about) {
  setObjectName("AboutDialog");
  setWindowTitle(ToQString(about_.caption));
  setModal(true);

  auto* picIcon = new QLabel(this);
  picIcon->setObjectName("picIcon");
  picIcon->setPixmap(ProductIcon(about_.icon).pixmap(48, 48));
  picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  auto* lblTitle = new QLabel(ToQString(about_.title), this);
  lblTitle->setObjectName("lblTitle");
  QFont title_font = lblTitle->font();
  title_font.setPointSizeF(title_font.pointSizeF() * 1.5);
  title_font.setBold(true);
  lblTitle->setFont(title_font);

  auto* lblVersion = new QLabel("Version " + ToQString(about_.version), this);
  lblVersion->setObjectName("lblVersion");

  auto* lblDescription = new QLabel(ToQString(about_.description), this);
  lblDescription->setObjectName("lblDescription");
  lblDescription->setWordWrap(true);

  lblCopyright_ = new QLabel(ToQString(about_.copyright_label), this);
  lblCopyright_->setObjectName("lblCopyright");
  lblCopyright_->setTextFormat(Qt::PlainText);
  if (!about_.site.empty()) {
    lblCopyright_->setCursor(Qt::PointingHandCursor);
    lblCopyright_->setToolTip(ToQString(about_.site));
  }
  lblCopyright_->installEventFilter(this);

  auto* cmdOK = new QPushButton("OK", this);
  cmdOK->setObjectName("cmdOK");
  cmdOK->setDefault(true);
  connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(lblTitle);
  texts->addWidget(lblVersion);
  texts->addSpacing(8);
  texts->addWidget(lblDescription);
  texts->addSpacing(8);
  texts->addWidget(lblCopyright_);
  texts->addStretch(1);

  auto* body = new QHBoxLayout;
  body->addWidget(picIcon);
  body->addSpacing(12);
  body->addLayout(texts, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdOK);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addLayout(buttons);
  setMinimumWidth(360);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblCopyright_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    CopyrightClicked(about_);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace sheaver
