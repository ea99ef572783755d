#include <QApplication>

#include "window/Form1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  window::Form1 form;
  form.Start();
  return app.exec();
}
