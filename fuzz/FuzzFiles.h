// Scratch files for the fuzz targets: one private temporary folder per
// process, removed at exit, into which each input is written before the
// code under test reads it back through its own file access.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

inline const std::string& ScratchDir() {
  // Never destroyed, so the exit handler can still use it.
  static const std::string* dir = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pagelune-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    auto* path = new std::string(tmpl);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*dir, ec);
    });
    return path;
  }();
  return *dir;
}

inline std::string ScratchFile(const char* name) { return ScratchDir() + "/" + name; }

inline void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
}
