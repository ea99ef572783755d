#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <vector>

#include "window/PasswordDialog.h"

// Acts as the user on each password dialog that opens, in turn, once it is on the screen, and
// notes what it showed. A dialog beyond the planned ones is skipped and counted as unexpected.
class PasswordDialogUser {
 public:
  using Act = std::function<void(window::PasswordDialog&)>;
  struct Seen {
    QString account;
    QString problem;  // empty when the problem line is hidden
    bool passwordFocused;
    bool ownerVisible;
  };

  explicit PasswordDialogUser(std::vector<Act> acts, const QWidget* owner = nullptr)
      : acts_(std::move(acts)), owner_(owner) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
    timer_.start(5);
  }

  std::vector<Seen> seen;

 private:
  void Answer() {
    auto* dialog = qobject_cast<window::PasswordDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool()) return;
    // Keys go to the active window; wait until the dialog is one (a few seconds at most, so that
    // a dialog that never becomes active fails the test instead of hanging it).
    if (!dialog->isActiveWindow() && ++waits_ < 500) return;
    waits_ = 0;
    dialog->setProperty("answered", true);
    seen.push_back({dialog->lblAccount->text(),
                    dialog->lblProblem->isHidden() ? QString() : dialog->lblProblem->text(),
                    QApplication::focusWidget() == dialog->edtPassword,
                    owner_ && owner_->isVisible()});
    if (seen.size() > acts_.size()) {
      ADD_FAILURE() << "an unexpected password dialog";
      dialog->reject();
      return;
    }
    acts_[seen.size() - 1](*dialog);
  }

  std::vector<Act> acts_;
  const QWidget* owner_;
  QTimer timer_;
  int waits_ = 0;
};

// Types text key by key; a character beyond ASCII comes as a key carrying that text, as from an
// input method.
inline void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(widget, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

inline PasswordDialogUser::Act TypeAndPress(const QString& password, Qt::Key key) {
  return [password, key](window::PasswordDialog& dialog) {
    Type(dialog.edtPassword, password);
    QTest::keyClick(dialog.edtPassword, key);
  };
}

inline PasswordDialogUser::Act TypeAndClick(const QString& password,
                                            QPushButton* window::PasswordDialog::*button) {
  return [password, button](window::PasswordDialog& dialog) {
    Type(dialog.edtPassword, password);
    QTest::mouseClick(dialog.*button, Qt::LeftButton);
  };
}
