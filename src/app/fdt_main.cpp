// pagelune-fdt: makes a font data file without the reader window, byte for
// byte the file the settings dialog makes from the same face and style.
//
//   pagelune-fdt FACE [--bold] OUTPUT.fdt
//
// FACE is a font face name as the settings hold it ("ＭＳ ゴシック",
// "IPAGothic"...); it is matched to an installed family as for drawing.
#include <QGuiApplication>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Sjis.h"
#include "platform/qt/FontDataMaker.h"
#include "platform/qt/FontMapping.h"

namespace {

constexpr const char* kUsage = "usage: pagelune-fdt FACE [--bold] OUTPUT.fdt\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "pagelune-fdt: %s\n%s", message.c_str(), kUsage);
  return 2;
}

// Ctrl+C or a kill: the file being written goes with the process.
void RemovePending(int sig) {
  RemovePendingTemporaries();
  _exit(128 + sig);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  bool bold = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--bold")
      bold = true;
    else if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + a);
    } else
      positional.push_back(a);
  }
  if (positional.size() != 2) return Usage("expected a face name and an output file");
  if (positional[0].empty()) return Usage("the face name is empty");

  // Face names are Shift-JIS inside the program; a name without a
  // Shift-JIS form could not be matched as the reader would. The output
  // path is never stored, so any path will do.
  std::string faceSjis;
  if (!Utf8ToSjis(positional[0], faceSjis)) {
    std::fprintf(stderr, "pagelune-fdt: the face name \"%s\" has no Shift-JIS form\n",
                 positional[0].c_str());
    return 2;
  }

  // Fonts need a GUI application but no screen.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);

  // A face that is neither installed nor a Windows face with a stand-in
  // would silently come out in the default font.
  if (!KnownFaceName(QString::fromStdString(positional[0]))) {
    std::fprintf(stderr, "pagelune-fdt: no installed font \"%s\" (fc-list : family lists them)\n",
                 positional[0].c_str());
    return 2;
  }
  const QString family = MapFaceNameSjis(faceSjis);
  std::fprintf(stderr, "pagelune-fdt: drawing \"%s\" with %s%s\n", positional[0].c_str(),
               family.toStdString().c_str(), bold ? " (bold)" : "");

  for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, RemovePending);
  const bool tty = isatty(STDERR_FILENO);
  FontDataResult result = FontDataResult::WriteFailed;
  try {
    result = MakeFontDataFile(
        positional[1], faceSjis, bold,
        [tty](int rows) {
          std::fprintf(stderr, tty ? "\rrow %d/%d" : "row %d/%d\n", rows, kAtlasRows);
          std::fflush(stderr);
        },
        nullptr);
  } catch (const std::exception& e) {
    if (tty) std::fputc('\n', stderr);
    std::fprintf(stderr, "pagelune-fdt: rendering failed: %s\n", e.what());
    return 1;
  }
  if (tty) std::fputc('\n', stderr);
  if (result != FontDataResult::Done) {
    std::fprintf(stderr, "pagelune-fdt: cannot write %s\n", positional[1].c_str());
    return 1;
  }
  return 0;
}
