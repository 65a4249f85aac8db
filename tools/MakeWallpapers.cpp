// Build tool: paints the sample wallpapers as 24-bit bitmap files.
//   wall1.bmp  the cover: warm paper with a night sea washed in ink along the
//              bottom, where the title menu sits, a crescent and the name
//   wall2.bmp  the reading page: dark indigo paper, quiet enough that white
//              text with its black shadow reads at the default brightness
// Every random choice comes from fixed seeds, so each build paints the same
// pictures.
//
//   pagelune_wallpapers OUTDIR
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

std::uint32_t Mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

// A number in [0, 1) fixed by a lattice point and a seed.
double Lattice(int x, int y, std::uint32_t seed) {
  return Mix(static_cast<std::uint32_t>(x) * 0x9E3779B1U ^
             Mix(static_cast<std::uint32_t>(y) + seed)) /
         4294967296.0;
}

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  double Uniform(double lo, double hi) {
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return lo + (hi - lo) * static_cast<double>(z >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_;
};

// Smooth value noise in [0, 1) with cells of the given size.
double ValueNoise(double x, double y, int cell, std::uint32_t seed) {
  const double fx = x / cell, fy = y / cell;
  const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
  const double tx = fx - x0, ty = fy - y0;
  const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  auto at = [&](int i, int j) { return Lattice(i, j, seed); };
  const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
  const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
  return top + (bottom - top) * sy;
}

// Cloudy mottling in [-1, 1]: octaves from 160-pixel cells down to 10, each
// turned by its own angle so that no lattice lines up into visible streaks.
double Mottle(double x, double y, std::uint32_t seed) {
  double sum = 0, weight = 0, amplitude = 1, angle = 0.5;
  for (int cell : {160, 80, 40, 20, 10}) {
    const double c = std::cos(angle), s = std::sin(angle);
    const double u = x * c - y * s + 1000, v = x * s + y * c + 1000;
    sum += amplitude * (ValueNoise(u, v, cell, seed + static_cast<std::uint32_t>(cell)) * 2 - 1);
    weight += amplitude;
    amplitude *= 0.55;
    angle += 1.1;
  }
  return sum / weight;
}

struct PaperLook {
  QColor Base;
  double MottleDepth;  // +- levels of the cloudy variation
  double GrainDepth;   // +- levels of per-pixel grain
  int Fibres;
  QColor LightFibre, DarkFibre;  // with their alpha
  std::uint32_t Seed;
};

int Clamp255(double v) { return static_cast<int>(std::clamp(std::lround(v), 0L, 255L)); }

QImage Paper(const PaperLook& look) {
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      const double grain = (Lattice(x, y, look.Seed ^ 0xA5A5A5A5U) * 2 - 1) * look.GrainDepth;
      const double d = Mottle(x, y, look.Seed) * look.MottleDepth + grain;
      row[x] = qRgb(Clamp255(look.Base.red() + d), Clamp255(look.Base.green() + d),
                    Clamp255(look.Base.blue() + d * 0.8));
    }
  }
  // Fibres: short, gently bent strokes, some lighter and some darker than
  // the sheet.
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  Random rnd(look.Seed);
  for (int i = 0; i < look.Fibres; ++i) {
    const QPointF start(rnd.Uniform(0, kWidth), rnd.Uniform(0, kHeight));
    const double angle = rnd.Uniform(0, 2 * M_PI);
    const double length = rnd.Uniform(10, 50);
    const double bend = rnd.Uniform(-0.6, 0.6);
    const QPointF dir(std::cos(angle), std::sin(angle));
    const QPointF normal(-dir.y(), dir.x());
    const QPointF end = start + dir * length;
    QPainterPath path(start);
    path.cubicTo(start + dir * (length / 3) + normal * (bend * length / 2),
                 start + dir * (2 * length / 3) - normal * (bend * length / 3), end);
    QColor c = rnd.Uniform(0, 1) < 0.6 ? look.LightFibre : look.DarkFibre;
    c.setAlphaF(static_cast<float>(c.alphaF() * rnd.Uniform(0.5, 1.0)));
    p.setPen(QPen(c, rnd.Uniform(0.4, 1.2), Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path);
  }
  return img;
}

// The cover's night sea: indigo ink laid over the paper from a wavering
// horizon down, multiplied in so that the paper's fibres still show, with
// the darker rim a watercolour wash leaves where it dries.
void InkWash(QImage& img, std::uint32_t seed) {
  const double ink[3] = {34 / 255.0, 44 / 255.0, 76 / 255.0};
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      const double horizon = 292 - 0.03 * x + 7 * (ValueNoise(x, 0, 160, seed) * 2 - 1) +
                             1.5 * (ValueNoise(x, 7, 20, seed) * 2 - 1);
      const double depth = y - horizon;
      if (depth < -4) continue;
      double a = std::clamp((depth + 4) / 8, 0.0, 1.0);
      a *= 0.86 + 0.1 * Mottle(x, y, seed + 17);
      a += 0.08 * std::exp(-(depth * depth) / 20.0);  // the dried rim
      a = std::clamp(a, 0.0, 1.0);
      const QRgb px = row[x];
      const double c[3] = {double(qRed(px)), double(qGreen(px)), double(qBlue(px))};
      int out[3];
      for (int k = 0; k < 3; ++k) out[k] = Clamp255(c[k] * (1 - a + a * ink[k]));
      row[x] = qRgb(out[0], out[1], out[2]);
    }
  }
}

// A crescent: the disc less a disc moved towards the upper right.
QPainterPath Crescent(QPointF centre, double r) {
  QPainterPath disc, bite;
  disc.addEllipse(centre, r, r);
  bite.addEllipse(centre + QPointF(r * 0.42, -r * 0.30), r * 0.92, r * 0.92);
  return disc.subtracted(bite);
}

void Cover(QImage& img) {
  InkWash(img, 4242);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // The moon, in gold ink, with a faint halo on the paper.
  const QPointF moon(150, 132);
  QRadialGradient halo(moon, 90);
  halo.setColorAt(0, QColor(255, 236, 190, 70));
  halo.setColorAt(1, QColor(255, 236, 190, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(halo);
  p.drawEllipse(moon, 90, 90);
  p.setBrush(QColor(214, 168, 82));
  p.setPen(QPen(QColor(160, 118, 52), 1.2));
  p.drawPath(Crescent(moon, 44));

  // Its light on the water: broken strokes under the moon, wide near the
  // horizon and narrowing towards the viewer, fading as they come.
  Random rnd(99);
  double y = 300;
  for (int i = 0; y < 470; ++i) {
    const double spread = 30 - i * 1.3;
    const int pieces = 1 + static_cast<int>(rnd.Uniform(0, 3));
    for (int k = 0; k < pieces; ++k) {
      const double x = moon.x() - 4 + rnd.Uniform(-spread, spread) * 0.8;
      const double half = rnd.Uniform(3, 6 + spread * 0.35);
      const int alpha = static_cast<int>(std::max(40.0, 170 - i * 7 + rnd.Uniform(-20, 20)));
      p.setPen(
          QPen(QColor(232, 198, 124, alpha), rnd.Uniform(1.0, 1.8), Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(x - half, y), QPointF(x + half, y + rnd.Uniform(-0.4, 0.4)));
    }
    y += 5 + i * 0.55 + rnd.Uniform(0, 3);
  }

  // The name, printed in dark ink on the upper right.
  QFont title("IPAPMincho");
  title.setPixelSize(58);
  title.setLetterSpacing(QFont::AbsoluteSpacing, 3);
  p.setFont(title);
  p.setPen(QColor(58, 50, 44, 235));
  const QRect nameBox(300, 70, 300, 70);
  p.drawText(nameBox, Qt::AlignRight | Qt::AlignVCenter, "Pagelune");
  p.setPen(QPen(QColor(58, 50, 44, 150), 1));
  p.drawLine(QPointF(386, 150.5), QPointF(600, 150.5));
  QFont sub("IPAPMincho");
  sub.setPixelSize(17);
  sub.setLetterSpacing(QFont::AbsoluteSpacing, 6);
  p.setFont(sub);
  p.setPen(QColor(70, 60, 52, 220));
  p.drawText(QRect(300, 158, 300, 28), Qt::AlignRight | Qt::AlignVCenter,
             QString::fromUtf8("ページルーン"));
}

// The reading page: a soft vignette keeps the eye on the text.
void Vignette(QImage& img, double strength) {
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      const double dx = (x - kWidth / 2.0) / (kWidth / 2.0),
                   dy = (y - kHeight / 2.0) / (kHeight / 2.0);
      const double f = 1 - strength * std::pow((dx * dx + dy * dy) / 2, 1.5);
      const QRgb px = row[x];
      row[x] = qRgb(Clamp255(qRed(px) * f), Clamp255(qGreen(px) * f), Clamp255(qBlue(px) * f));
    }
  }
}

bool Save(const QImage& img, const QString& path) {
  // RGB888 makes Qt write 24 bits per pixel, as the reader expects.
  if (img.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  // Fonts need a GUI application, never a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));

  QImage cover = Paper({QColor(238, 229, 211), 7, 3, 650, QColor(255, 251, 240, 80),
                        QColor(168, 148, 118, 50), 1979});
  Cover(cover);

  QImage page = Paper(
      {QColor(66, 74, 102), 8, 2, 420, QColor(150, 160, 192, 28), QColor(28, 32, 48, 40), 2023});
  Vignette(page, 0.18);

  return Save(cover, out.filePath("wall1.bmp")) && Save(page, out.filePath("wall2.bmp")) ? 0 : 1;
}
