#include "settings/Unit2.h"

#include "app/Unit1.h"
#include "platform/Sjis.h"

TForm2::TForm2(TForm1* owner) : QDialog(owner) {
  // 環境設定
  setWindowTitle(QString::fromUtf8("\xE7\x92\xB0\xE5\xA2\x83\xE8\xA8\xAD\xE5\xAE\x9A"));
  setFixedSize(348, 292);
}
