// A text named on the command line: it becomes setting Text (an absolute
// Shift-JIS path) and names the caption, or it is refused with the program's
// warning and the text chosen before stays. Run offscreen in a temporary
// folder.
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "TempCurrentDir.h"

#include "app/Unit1.h"
#include "platform/Sjis.h"
#include "text/SjisTexts.h"

namespace {

// Closes every message box that comes up while it lives, keeping its title
// and text.
class BoxCatcher {
 public:
  BoxCatcher() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        Titles << box->windowTitle();
        Texts << box->text();
        box->accept();
      }
    });
    timer_.start();
  }
  QStringList Titles, Texts;

 private:
  QTimer timer_;
};

QString U(const char* sjis) { return QString::fromStdString(ToUtf8(sjis)); }

}  // namespace

class CommandLineTest : public QObject {
  Q_OBJECT

  TempCurrentDir dir_;

  void touch(const QString& name) {
    QFile f(dir_.filePath(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("a\n");
  }

 private slots:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void open_data() {
    QTest::addColumn<QString>("create");  // file made beforehand (empty: none)
    QTest::addColumn<QString>("arg");     // what the command line says
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("warning");
    // A relative name is taken against the current folder.
    QTest::newRow("relative") << "story.txt"
                              << "story.txt" << true << QString();
    QTest::newRow("absolute") << "a.html" << dir_.filePath("a.html") << true << QString();
    QTest::newRow("japanese name")
        << QString::fromUtf8("月の本.txt") << QString::fromUtf8("月の本.txt") << true << QString();
    QTest::newRow("dot segments") << "b.txt"
                                  << "./sub/../b.txt" << true << QString();
    // Hangul has no Shift-JIS form: storing it would mangle the name.
    QTest::newRow("no shift-jis form")
        << QString::fromUtf8("한글.txt") << QString::fromUtf8("한글.txt") << false
        << U(sjis::kMsgNameNotSjis);
    QTest::newRow("missing") << QString() << "nowhere.txt" << false << U(sjis::kMsgFileNotFound);
    QTest::newRow("folder") << QString() << "." << false << U(sjis::kMsgFileNotFound);
  }
  void open() {
    QFETCH(QString, create);
    QFETCH(QString, arg);
    QFETCH(bool, taken);
    QFETCH(QString, warning);
    if (!create.isEmpty()) touch(create);
    QDir(dir_.path()).mkpath("sub");

    TForm1 w;
    const std::string before = "/earlier/choice.txt";
    w.StrSettings[kText] = before;
    const QString captionBefore = w.windowTitle();

    BoxCatcher boxes;
    QCOMPARE(w.OpenFromCommandLine(arg), taken);

    if (taken) {
      const QString expected = QFileInfo(dir_.filePath(create)).absoluteFilePath();
      std::string sjisPath;
      QVERIFY(Utf8ToSjis(expected.toStdString(), sjisPath));
      QCOMPARE(QByteArray::fromStdString(w.StrSettings[kText]),
               QByteArray::fromStdString(sjisPath));
      QVERIFY(!w.StrSettings[kText].empty() && w.StrSettings[kText][0] == '/');
      QCOMPARE(w.windowTitle(), QFileInfo(create).fileName() + " - Pagelune");
      QVERIFY(boxes.Texts.isEmpty());
    } else {
      QCOMPARE(w.StrSettings[kText], before);
      QCOMPARE(w.windowTitle(), captionBefore);
      QCOMPARE(boxes.Texts, QStringList{warning});
      QCOMPARE(boxes.Titles, QStringList{U(sjis::kWarningTitle)});
    }
    // Choosing a text never starts reading: the cover stays.
    QVERIFY(w.Mode < 4);
  }

  // The choice reaches the settings file at close, as a dialog choice does.
  void choiceIsKeptAtClose() {
    touch("kept.txt");
    {
      TForm1 w;
      QVERIFY(w.OpenFromCommandLine("kept.txt"));
      w.close();
    }
    TForm1 again;
    QCOMPARE(QString::fromStdString(ToUtf8(again.StrSettings[kText])), dir_.filePath("kept.txt"));
  }
};

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
