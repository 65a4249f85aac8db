// A fresh temporary folder that is the current directory for the life of
// the object (the reader records its start folder from the current one).
#pragma once

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempDir {
 public:
  TempDir() {
    char buf[PATH_MAX];
    old_ = getcwd(buf, sizeof buf) ? buf : "/";
    std::string tmpl = (std::filesystem::temp_directory_path() / "pagelune-XXXXXX").string();
    path_ = mkdtemp(tmpl.data());
    if (chdir(path_.c_str()) != 0) std::abort();
  }
  ~TempDir() {
    if (chdir(old_.c_str()) != 0) std::abort();
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string old_;
  std::string path_;
};
