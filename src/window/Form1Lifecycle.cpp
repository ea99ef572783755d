// Start-up and shutdown of the window: the session is opened and the stores listed before the
// window is first shown, and the session is closed when the window closes.

#include <QCloseEvent>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QStyle>

#include "store/Step.h"
#include "window/Form1.h"
#include "window/MsgBox.h"

namespace window {

void Form1::Start() {
  // Placed before loading, so that a message box of the load is centred where the window opens.
  setGeometry(
      QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen()->availableGeometry()));
  Form_Load();
  show();
  activateWindow();
}

// Each step runs under the failure rule: a step that fails is abandoned and the next one runs.
void Form1::Form_Load() {
  // A new session of the message store service; it holds nothing if none can be made.
  store::Step([&] { objSession = createSession_(); });

  // Log on; whether it worked shows only in the next step.
  store::Step([&] { store::Use(objSession).LogOn(); });

  // The session's stores; nothing if they cannot be had or are not a collection.
  store::Step([&] { objInfoStores = store::Use(objSession).InfoStores(); });

  // Without stores there is nothing to list; the window opens all the same.
  if (!objInfoStores) {
    MsgBox(this, QStringLiteral("Could not set InfoStores collection"));
    return;
  }

  // A count that cannot be read counts as no stores.
  bool noStores = true;
  store::Step([&] { noStores = store::Use(objInfoStores).Count() == 0; });
  if (noStores) {
    MsgBox(this, QStringLiteral("No InfoStores in the collection"));
    return;
  }

  // One entry per store whose name can be read, in the service's order.
  FillWithNames(*List1, objInfoStores, objInfoStore);
}

void Form1::Form_Unload() {
  // Log off; a session that is missing or never logged on is no reason to keep the window.
  store::Step([&] { store::Use(objSession).LogOff(); });

  // Release the session and the folders; releasing cannot fail.
  objSession = nullptr;
  objTopFolder = nullptr;
  objFolders = nullptr;
  objSubFolder = nullptr;
  objSubFolders = nullptr;
}

void Form1::closeEvent(QCloseEvent* event) {
  unloaded_ = true;
  Form_Unload();
  event->accept();  // closing always closes
}

}  // namespace window
