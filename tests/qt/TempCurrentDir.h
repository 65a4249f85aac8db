// A fresh temporary folder that is the current directory while the object
// lives: the reader keeps its settings file in the folder it starts in.
#pragma once

#include <QDir>
#include <QTemporaryDir>

class TempCurrentDir {
 public:
  TempCurrentDir() : old_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
  ~TempCurrentDir() { QDir::setCurrent(old_); }
  TempCurrentDir(const TempCurrentDir&) = delete;
  TempCurrentDir& operator=(const TempCurrentDir&) = delete;

  bool isValid() const { return dir_.isValid() && QDir::current() == QDir(dir_.path()); }
  QString path() const { return dir_.path(); }
  QString filePath(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;  // made before the current directory moves into it
  QString old_;
};
