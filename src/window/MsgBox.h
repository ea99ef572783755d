#pragma once

#include <QString>

class QWidget;

namespace window {

inline const QString kApplicationTitle = QStringLiteral("Orvane");

// Button and icon of a message box; the values are the traditional style codes.
enum class MsgBoxStyle {
  OkOnly = 0,        // an OK button alone
  Critical = 16,     // OK with the critical icon
  Information = 64,  // OK with the information icon
};

// Shows a modal message box over `parent` and returns when the user has dismissed it.
void MsgBox(QWidget* parent, const QString& prompt, MsgBoxStyle style = MsgBoxStyle::OkOnly,
            const QString& title = kApplicationTitle);

}  // namespace window
