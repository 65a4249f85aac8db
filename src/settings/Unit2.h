// The environment settings dialog. Created once after the reader window and
// shown again at each use.
#pragma once

#include <QDialog>

class TForm1;

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(TForm1* owner);
};
