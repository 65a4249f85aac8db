// pagelune-fdt: its failures, and the file it makes being the very file
// the settings dialog makes from the same font.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "DialogRig.h"
#include "text/SjisTexts.h"

namespace {

struct ToolRun {
  int exitCode = -1;
  QString err;
};

// Runs the tool next to this test, with no display: it must fall back to
// the offscreen platform by itself.
ToolRun RunTool(const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(v);
  p.setProcessEnvironment(env);
  p.start(QCoreApplication::applicationDirPath() + "/pagelune-fdt", args);
  if (!p.waitForFinished(120000)) return {};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardError())};
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class FdtToolTest : public QObject {
  Q_OBJECT

 private slots:
  void failures_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no arguments") << QStringList{} << 2
                                  << "expected a face name and an output file";
    QTest::newRow("no output") << QStringList{"IPAGothic"} << 2
                               << "expected a face name and an output file";
    QTest::newRow("three names") << QStringList{"IPAGothic", "a.fdt", "b.fdt"} << 2
                                 << "expected a face";
    QTest::newRow("unknown option")
        << QStringList{"--italic", "IPAGothic", "a.fdt"} << 2 << "unknown option --italic";
    QTest::newRow("face without Shift-JIS form")
        << QStringList{QString::fromUtf8("Font\u00E9\u0101"), "a.fdt"} << 2
        << "has no Shift-JIS form";
    QTest::newRow("unwritable output") << QStringList{"IPAGothic", "no-such-folder/a.fdt"} << 1
                                       << "cannot write no-such-folder/a.fdt";
  }
  void failures() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    DialogRig rig;  // a fresh current folder
    const ToolRun run = RunTool(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(rig.Files().isEmpty());
  }

  // The tool and the dialog's 開始 make the same 5,118,336 bytes.
  void toolAndDialogMakeTheSameFile() {
    DialogRig rig;
    const ToolRun run = RunTool({"IPAGothic", rig.Path("tool.fdt")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.contains("row 47/47"));

    TForm2& d = *rig.Form2;
    d.FontDialog2 = {"IPAGothic", false};
    d.Button8->click();
    QCOMPARE(rig.Form1->Boxes.back().Text, std::string(sjis::kMsgFontDataDone));

    const QByteArray tool = ReadAll(rig.Path("tool.fdt"));
    const QByteArray dialog = ReadAll(rig.Path("IPAGothic.fdt"));
    QCOMPARE(tool.size(), 5118336);
    QCOMPARE(dialog.size(), 5118336);
    QVERIFY(tool == dialog);
    QCOMPARE(tool.left(576), QByteArray(576, 16));       // the full-width space
    QVERIFY(tool.mid(576, 576) != QByteArray(576, 16));  // 0x8141 "、" has ink
  }
};

QTEST_MAIN(FdtToolTest)
#include "FdtToolTest.moc"
