// What the Qt tests share: a fresh current folder (the reader keeps its
// settings file in the folder it starts in) and the reader window with its
// settings dialog, their platform edge scripted.
#pragma once

#include <QtTest>

#include <functional>

#include "app/Unit1.h"
#include "platform/Sjis.h"

inline QString U(const std::string& sjis) { return QString::fromStdString(ToUtf8(sjis)); }

// A box as the log shows it: kind (0 warning, 1 information, 2
// confirmation, 3 plain), title and text.
inline QString Box(BoxKind kind, const char* title, const char* text = "") {
  return QString("%1 %2: %3").arg(int(kind)).arg(U(title), U(text));
}

// QCOMPARE for long summaries, entry by entry: a failure shows the first
// entry that differs rather than two long strings cut short.
#define COMPARE_ENTRIES(actual, expected)                                           \
  for (QStringList a_ = (actual), e_ = (expected); !a_.isEmpty() || !e_.isEmpty();) \
  QCOMPARE(a_.isEmpty() ? QString() : a_.takeFirst(), e_.isEmpty() ? QString() : e_.takeFirst())

struct TempDir {
  QTemporaryDir Dir;  // made before the current folder moves into it
  QString Old = QDir::currentPath();
  TempDir() { QDir::setCurrent(Dir.path()); }
  ~TempDir() { QDir::setCurrent(Old); }
};

// Beeps, message boxes and file dialogs go to Log; boxes are answered with
// Answer, file dialogs choose Choice (empty: cancelled), and the clock moves
// 20 ms at each read so that the column wipe runs at once.
struct Rig : TempDir, TForm1 {
  QStringList Log;
  BoxResult Answer = BoxResult::Ok;
  std::string Choice;
  std::uint32_t Clock = 0;
  TForm2 Dialog{this};

  BoxResult MessageBox(BoxKind kind, const std::string& text, const std::string& title) override {
    Log << Box(kind, title.c_str(), text.c_str());
    return Answer;
  }
  void Beep() override { Log << "beep"; }
  std::uint32_t GetTickCount() override { return Clock += 20; }
  bool ChooseFile(FileDialogRequest& req) override {
    Log << U(req.Title + "|" + req.Filter + "|" + req.InitialDir + "|" + req.FileName);
    req.Chosen = Choice;
    return !Choice.empty();
  }
  // The settings command with act on the open dialog; a dialog that act
  // leaves open is cancelled.
  void RunDialog(const std::function<void(TForm2&)>& act) {
    QTimer::singleShot(0, &Dialog, [&] {
      act(Dialog);
      if (Dialog.isVisible()) Dialog.reject();
    });
    MEnv1Click();
  }
};
