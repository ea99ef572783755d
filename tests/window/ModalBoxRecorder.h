#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

// Notes every message box that becomes the active modal widget, as it shows on the screen, and
// dismisses it with its OK button, as the user would.
class ModalBoxRecorder {
 public:
  struct Box {
    QString prompt;
    QMessageBox::Icon icon;
    QString title;
    QMessageBox::StandardButtons buttons;
    qsizetype buttonCount;
    bool modal;
    bool ownerVisible;  // whether the watched window was already on the screen
  };

  explicit ModalBoxRecorder(const QWidget* owner = nullptr) : owner_(owner) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Dismiss(); });
    timer_.start(5);
  }

  std::vector<Box> boxes;
  // Runs while each box is open, before it is dismissed.
  std::function<void(QMessageBox&)> whileOpen;

 private:
  void Dismiss() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    boxes.push_back({box->text(), box->icon(), box->windowTitle(), box->standardButtons(),
                     box->buttons().size(), box->isModal(), owner_ && owner_->isVisible()});
    if (whileOpen) whileOpen(*box);
    box->buttons().front()->click();
  }

  const QWidget* owner_;
  QTimer timer_;
};
