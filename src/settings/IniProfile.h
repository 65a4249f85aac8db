// An INI profile held as bytes in memory, read and written by the rules of
// the Windows profile functions, so a settings file written through those
// functions reads the same here, and a file written here reads the same
// through them.
//
// The profile keeps every line of the file as it came, with its own line
// ending; writing a value touches only the one line it concerns (or adds
// one), so comments, unknown sections and unknown keys survive byte for
// byte. Loading and serialising are pure: the caller does the file access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The longest value a read returns, in bytes.
inline constexpr std::size_t kMaxProfileValue = 2047;

class IniProfile {
 public:
  IniProfile() = default;
  explicit IniProfile(std::string_view bytes) { Load(bytes); }

  // Replaces the content with the bytes of a file. Lines end at LF or CR LF.
  void Load(std::string_view bytes);
  // The file's bytes: untouched lines exactly as loaded, written lines
  // ended by CR LF.
  std::string Serialise() const;

  // The value of key in section, or def when the section or the key is
  // absent. Names match without regard to ASCII case; the first matching
  // section, and the first matching key in it, win.
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& def) const;
  // The value converted by ParseProfileInteger, or def when it is absent,
  // empty or does not convert wholly.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;

  bool HasKey(std::string_view section, std::string_view key) const;

  // Sets key in section: an existing key line is replaced where it stands,
  // a new key goes after the last key line of its section, a new section
  // goes at the end of the file.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Writes the value in decimal.
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

 private:
  struct Line {
    std::string Text;  // without its line ending
    std::string Eol;   // "\r\n", "\n", or "" for a last line without one
  };
  std::vector<Line> lines_;

  // Index of the header line of the first matching section, or npos.
  std::size_t FindSection(std::string_view section) const;
  // Index of the first key line matching key in the section whose header is
  // at line s, or npos.
  std::size_t FindKey(std::size_t s, std::string_view key) const;
  // One past the last line of the section whose header is at line s.
  std::size_t SectionEnd(std::size_t s) const;
  void InsertLine(std::size_t at, std::string text);
};

// Converts an integer value of the settings file: leading spaces
// skipped, an optional sign, then decimal digits, or hexadecimal digits
// after "$", "x", "X", "0x" or "0X"; every further character must be a
// digit. A decimal value must fit in 32 signed bits; a hexadecimal one in
// 32 bits, read as two's complement ("$FFFFFFFF" is -1). False when the
// text does not convert; out is then unchanged.
bool ParseProfileInteger(std::string_view text, std::int32_t& out);
