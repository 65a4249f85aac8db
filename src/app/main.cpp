// Program entry: the application titled "Pagelune", the reader window, an
// optional text named on the command line, and the message loop. The
// settings dialog is made when it is first asked for.
#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>

#include <exception>
#include <thread>

#include "app/SessionEnd.h"
#include "app/Unit1.h"

int main(int argc, char** argv) {
  // The cover's first character waits for fonts: fontconfig reading its
  // configuration and caches (some 20 ms), then Qt's font database filling
  // from it (some 5 ms). On the other core the first is done while Qt
  // connects to the display, the second while the window is made.
  std::thread fonts([] { FcInit(); });
  // The reader keeps the glyphs it draws; FreeType's copies in Qt would be
  // a second one of each, some 4 KB a character of a novel.
  if (!qEnvironmentVariableIsSet("QT_NO_FT_CACHE")) qputenv("QT_NO_FT_CACHE", "1");
  QApplication app(argc, argv);
  fonts.join();
  std::thread database([] { QFontDatabase::families(); });
  QApplication::setApplicationName(kAppTitle);
  QApplication::setApplicationDisplayName(QString());
  int status = 0;
  try {
    TForm1 form1;
    CloseOnSessionEnd(&form1, [&form1] { form1.EndSession(); });
    form1.show();
    // "pagelune FILE" (as the desktop entry starts it) chooses that text;
    // reading still starts from the cover.
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) form1.OpenFromCommandLine(args.at(1));
    // A signal while the box of that choice was open has closed the window
    // already, and no loop would ever end.
    if (form1.isVisible()) app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, kAppTitle, QString::fromLocal8Bit(e.what()));
    status = 1;
  }
  database.join();
  return status;
}
