// Program entry: the application titled "Pagelune", the reader window, an
// optional text named on the command line, and the message loop. The
// settings dialog is made when it is first asked for.
#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <thread>

#include "app/Unit1.h"

int main(int argc, char** argv) {
  // Fontconfig reads its configuration and font caches once, some 20 ms
  // that the cover's first character would wait for: on the other core it
  // is done while Qt connects to the display.
  std::thread fonts([] { FcInit(); });
  QApplication app(argc, argv);
  fonts.join();
  QApplication::setApplicationName(kAppTitle);
  QApplication::setApplicationDisplayName(QString());
  try {
    TForm1 form1;
    form1.show();
    // "pagelune FILE" (as the desktop entry starts it) chooses that text;
    // reading still starts from the cover.
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) form1.OpenFromCommandLine(args.at(1));
    app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, kAppTitle, QString::fromLocal8Bit(e.what()));
    return 1;
  }
  return 0;
}
