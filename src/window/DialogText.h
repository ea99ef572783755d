#pragma once

#include <QLabel>
#include <QString>

namespace window {

// A dialog's line of text: shown as it is, never read as markup (account names and servers'
// answers are not ours), wrapped, and wide enough that a usual account name and server fit on one
// line and a reason on two.
inline QLabel* NewDialogText(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 75);
  return label;
}

}  // namespace window
