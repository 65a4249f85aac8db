// Program entry: the application titled "Pagelune", the reader window, then
// the settings dialog, and the message loop.
#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "app/Unit1.h"
#include "settings/Unit2.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kAppTitle);
  QApplication::setApplicationDisplayName(QString());
  try {
    TForm1 form1;
    TForm2 form2(&form1);
    form1.show();
    app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, kAppTitle, QString::fromLocal8Bit(e.what()));
    return 1;
  }
  return 0;
}
