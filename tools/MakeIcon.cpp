// Build tool: draws the desktop icon, a crescent moon over an open page on
// an indigo tile, at each size it is installed in. Each size is drawn
// afresh rather than scaled down, so the small one keeps clean edges and
// drops the detail it has no room for.
//
//   pagelune_icon OUTDIR   -> OUTDIR/pagelune-256.png, OUTDIR/pagelune-48.png
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

// Drawn in a 256-unit square; size only decides how much detail to keep.
void Paint(QPainter& p, int size) {
  const bool small = size < 96;
  p.scale(size / 256.0, size / 256.0);
  p.setRenderHint(QPainter::Antialiasing);

  // The tile: night indigo, a little lighter at the top.
  const QRectF tile(8, 8, 240, 240);
  QLinearGradient sky(0, 8, 0, 248);
  sky.setColorAt(0, QColor(52, 64, 104));
  sky.setColorAt(1, QColor(26, 32, 58));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRoundedRect(tile, 44, 44);

  // The open page: two leaves meeting at a spine, slightly curved.
  const QColor paper(244, 236, 218), shade(214, 202, 178), ink(120, 108, 92);
  QPainterPath left, right;
  left.moveTo(128, 206);
  left.cubicTo(104, 192, 72, 190, 40, 198);
  left.lineTo(40, 118);
  left.cubicTo(72, 110, 104, 112, 128, 126);
  left.closeSubpath();
  right.moveTo(128, 206);
  right.cubicTo(152, 192, 184, 190, 216, 198);
  right.lineTo(216, 118);
  right.cubicTo(184, 110, 152, 112, 128, 126);
  right.closeSubpath();
  QLinearGradient leftShade(40, 0, 128, 0), rightShade(128, 0, 216, 0);
  leftShade.setColorAt(0, paper);
  leftShade.setColorAt(1, shade);
  rightShade.setColorAt(0, shade);
  rightShade.setColorAt(1, paper);
  p.setPen(QPen(QColor(150, 136, 112), small ? 4 : 2));
  p.setBrush(leftShade);
  p.drawPath(left);
  p.setBrush(rightShade);
  p.drawPath(right);

  // Lines of text on the leaves: fewer and bolder when small.
  const int lines = small ? 2 : 4;
  const double step = small ? 22 : 13;
  p.setPen(QPen(ink, small ? 7 : 3.5, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < lines; ++i) {
    const double y = 142 + i * step;
    p.drawLine(QPointF(56, y - 2), QPointF(112, y + 4));
    p.drawLine(QPointF(144, y + 4), QPointF(200, y - 2));
  }

  // The crescent above the page, with a soft glow.
  const QPointF moon(128, 70);
  const double r = 40;
  QRadialGradient glow(moon, r * 1.9);
  glow.setColorAt(0, QColor(255, 226, 150, 110));
  glow.setColorAt(1, QColor(255, 226, 150, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(moon, r * 1.9, r * 1.9);
  QPainterPath disc, bite;
  disc.addEllipse(moon, r, r);
  bite.addEllipse(moon + QPointF(r * 0.45, -r * 0.32), r * 0.9, r * 0.9);
  p.setBrush(QColor(246, 204, 112));
  p.drawPath(disc.subtracted(bite));
}

bool Write(int size, const QString& path) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  Paint(p, size);
  p.end();
  if (img.save(path, "PNG")) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));
  return Write(256, out.filePath("pagelune-256.png")) && Write(48, out.filePath("pagelune-48.png"))
             ? 0
             : 1;
}
