// The reader window and its settings dialog for the dialog tests, started
// in a fresh folder. The window's platform edge is scripted where a test
// must see or answer it: message boxes and beeps are recorded and answered
// from a list, file dialogs are answered by a function, the tick counter
// moves 20 ms at each read (so the column wipe runs at once) and flushes of
// the window are counted (55 of them are one wipe).
#pragma once

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "dialog/Unit2.h"
#include "platform/Sjis.h"

struct RecordedBox {
  BoxKind Kind;
  std::string Text;     // Shift-JIS
  std::string Caption;  // Shift-JIS
};

class RigForm1 : public TForm1 {
 public:
  std::vector<RecordedBox> Boxes;
  std::vector<BoxResult> Answers;  // in order; Ok when used up
  int Beeps = 0;
  int Flushes = 0;
  std::uint32_t Clock = 0;
  std::vector<FileDialogRequest> FileDialogs;
  std::function<bool(FileDialogRequest&)> ChooseAnswer;

  BoxResult MessageBox(BoxKind kind, const std::string& text, const std::string& caption) override {
    Boxes.push_back({kind, text, caption});
    if (Answers.empty()) return BoxResult::Ok;
    const BoxResult r = Answers.front();
    Answers.erase(Answers.begin());
    return r;
  }
  void Beep() override { ++Beeps; }
  std::uint32_t GetTickCount() override { return Clock += 20; }
  void FlushWindow() override {
    ++Flushes;
    TForm1::FlushWindow();
  }
  bool ChooseFile(FileDialogRequest& req) override {
    FileDialogs.push_back(req);
    return ChooseAnswer && ChooseAnswer(req);
  }
};

class DialogRig {
 public:
  DialogRig() : oldDir_(QDir::currentPath()) {
    // The reader takes its start folder from the current one.
    QDir::setCurrent(dir_.path());
    Form1 = std::make_unique<RigForm1>();
    Form2 = std::make_unique<TForm2>(Form1.get());
  }
  ~DialogRig() {
    Form2.reset();
    Form1.reset();
    QDir::setCurrent(oldDir_);
  }

  std::unique_ptr<RigForm1> Form1;
  std::unique_ptr<TForm2> Form2;

  // A file in the fresh folder, as a UTF-8 path (ASCII names are the same
  // in Shift-JIS).
  QString Path(const QString& name) const { return dir_.filePath(name); }
  std::string SjisPath(const QString& name) const { return ToSjis(Path(name).toStdString()); }
  QStringList Files() const { return QDir(dir_.path()).entryList(QDir::Files); }

  // A w x h bitmap file of one colour.
  QString WriteBitmap(const QString& name, int w, int h, QColor colour) const {
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(colour);
    img.save(Path(name), "BMP");
    return Path(name);
  }

  // Runs the settings command; act is called on the open dialog and should
  // close it (the dialog is cancelled afterwards if it did not).
  bool RunDialog(const std::function<void(TForm2&)>& act) {
    bool acted = false;
    QTimer::singleShot(0, Form2.get(), [&] {
      acted = true;
      act(*Form2);
      if (Form2->isVisible()) Form2->reject();
    });
    Form1->MEnv1Click();
    return acted;
  }

 private:
  QTemporaryDir dir_;
  QString oldDir_;
};

inline QString FromSjis(const std::string& sjis) { return QString::fromStdString(ToUtf8(sjis)); }
