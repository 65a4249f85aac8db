// Program entry: the application titled "Pagelune", the reader window, then
// the settings dialog, an optional text named on the command line, and the
// message loop.
#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "app/SessionEnd.h"
#include "app/Unit1.h"
#include "dialog/Unit2.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kAppTitle);
  QApplication::setApplicationDisplayName(QString());
  try {
    TForm1 form1;
    TForm2 form2(&form1);
    CloseOnSessionEnd(&form1, [&form1] { form1.MExit1Click(); });
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
