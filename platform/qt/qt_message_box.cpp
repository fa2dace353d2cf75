#include "platform/qt/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "platform/qt/qt_text.h"

namespace sheaver {
namespace {

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::kCritical:
      return QMessageBox::Critical;
    case MsgIcon::kQuestion:
      return QMessageBox::Question;
    case MsgIcon::kExclamation:
      return QMessageBox::Warning;
    case MsgIcon::kInformation:
      return QMessageBox::Information;
    case MsgIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

struct ButtonSet {
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button;
  QMessageBox::StandardButton escape_button;
};

ButtonSet QtButtons(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::kOkCancel:
      return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
    case MsgButtons::kYesNo:
      return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
    case MsgButtons::kYesNoCancel:
      return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
              QMessageBox::Cancel};
    case MsgButtons::kOk:
      break;
  }
  return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

MsgAnswer Answer(int button, MsgButtons buttons) {
  switch (button) {
    case QMessageBox::Ok:
      return MsgAnswer::kOk;
    case QMessageBox::Yes:
      return MsgAnswer::kYes;
    case QMessageBox::No:
      return MsgAnswer::kNo;
    case QMessageBox::Cancel:
      return MsgAnswer::kCancel;
    default:
      break;
  }
  return EscapeAnswer(buttons);  // closed some other way
}

}  // namespace

MsgAnswer QtMessageBox::Show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                             const std::string& title) {
  QString shown = ToQString(text);
  shown.replace("\r\n", "\n");
  const ButtonSet set = QtButtons(buttons);
  QMessageBox box(QtIcon(icon), ToQString(title), shown, set.buttons, QApplication::activeWindow());
  box.setObjectName(kMessageBoxName);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(set.default_button);
  box.setEscapeButton(set.escape_button);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return Answer(clicked != nullptr ? box.standardButton(clicked) : QMessageBox::NoButton, buttons);
}

}  // namespace sheaver
