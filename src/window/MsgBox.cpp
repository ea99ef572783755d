#include "window/MsgBox.h"

#include <QMessageBox>

namespace window {

namespace {
QMessageBox::Icon IconOf(MsgBoxStyle style) {
  switch (style) {
    case MsgBoxStyle::OkOnly:
      return QMessageBox::NoIcon;
    case MsgBoxStyle::Critical:
      return QMessageBox::Critical;
    case MsgBoxStyle::Information:
      return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}
}  // namespace

void MsgBox(QWidget* parent, const QString& prompt, MsgBoxStyle style, const QString& title) {
  QMessageBox box(IconOf(style), title, prompt, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace window
