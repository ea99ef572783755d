#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QMetaEnum>
#include <QTimer>
#include <functional>
#include <vector>

#include "WindowTesting.h"

// Notes every message box that becomes the active modal widget, as it shows on the screen, and
// dismisses it with its OK button, as the user would. Every box of this program is modal, has OK
// alone, and shows its prompt as plain text.
class ModalBoxRecorder {
 public:
  struct Box {
    QString prompt;
    QMessageBox::Icon icon;
    QString title;
    bool ownerVisible;  // whether the watched window was already on the screen
  };

  explicit ModalBoxRecorder(const QWidget* owner = nullptr) : owner_(owner) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Dismiss(); });
    timer_.start(5);
  }

  std::vector<Box> boxes;
  // Runs while each box is open, before it is dismissed.
  std::function<void(QMessageBox&)> whileOpen;

  // Each box as "<title> | <icon> | <prompt>".
  QStringList Shown() const {
    QStringList shown;
    for (const Box& box : boxes)
      shown << box.title + " | " + QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon) +
                   " | " + box.prompt;
    return shown;
  }

 private:
  void Dismiss() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    boxes.push_back({box->text(), box->icon(), box->windowTitle(), owner_ && owner_->isVisible()});
    EXPECT_TRUE(box->isModal());
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    if (whileOpen) whileOpen(*box);
    box->buttons().front()->click();
  }

  const QWidget* owner_;
  QTimer timer_;
};
