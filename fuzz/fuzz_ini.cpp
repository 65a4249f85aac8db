// The INI profile on arbitrary file bytes. Loading and serialising gives
// the bytes back. After a series of writes (new and existing sections and
// keys, names in other letter cases, quoted, blank-edged, multi-line and
// overlong values) every value reads back as written, also after a reload,
// and writing it again changes nothing. (That untouched lines stay as they
// were is shown by the profile's table of writes in the core tests.)
//
// Input: a byte (bits 0-2 the number of writes), 4 bytes for each write
// (picking section, key and value), then the file.
#include <map>

#include "Harness.h"
#include "settings/IniProfile.h"

namespace {

const char* const kSections[] = {"System", "SYSTEM", "DataZ",    "new section",
                                 "",       "a]b",    "\x83\x41", "\x83\x61"};
const char* const kKeys[] = {"Text", "text", "Index", "New", "", "k y", "a[b", "\x83\x61", "Q\x81"};
const std::string kLong(3000, 'A');  // longer than a read returns
const char* const kValues[] = {"",      " 30",      "\"q\"",  "'s'",      "\"",
                               "\t a ", "a=b",      "[x]",    ";x",       "\x81",
                               " \x81", "\x82\xA0", "x\r\ny", "cr\ronly", kLong.c_str()};

// A name as the profile compares it: blanks at its ends dropped, ASCII
// letters in one case, a trail byte never folded.
std::string Canon(std::string_view s) {
  std::string out(s.substr(std::min(s.size(), s.find_first_not_of(" \t"))));
  out.erase(out.find_last_not_of(" \t") + 1);
  for (std::size_t i = 0; i < out.size(); ++i)
    if (const unsigned char c = out[i]; c >= 0x81 && (c <= 0x9F || c >= 0xE0))
      ++i;
    else if (c >= 'A' && c <= 'Z')
      out[i] += 32;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t ops = std::min<std::size_t>(data[0] & 7, (size - 1) / 4);
  const std::string file(reinterpret_cast<const char*>(data + 1 + 4 * ops), size - 1 - 4 * ops);
  IniProfile profile(file);
  CHECK(profile.Serialise() == file);

  std::map<std::pair<std::string, std::string>, std::string> expected;  // by Canon names
  for (const std::uint8_t* op = data + 1; op < data + 1 + 4 * ops; op += 4) {
    const std::string section = kSections[op[1] % std::size(kSections)];
    const std::string key = kKeys[op[2] % std::size(kKeys)];
    const std::size_t pick = op[3] % (std::size(kValues) + 1);
    const std::string value = pick < std::size(kValues)
                                  ? kValues[pick]
                                  : file.substr(op[0] * 13u % (file.size() + 1), op[2] % 80);
    profile.WriteString(section, key, value);
    // A value ends at a line break, and a read returns at most
    // kMaxProfileValue bytes (only ASCII values are that long here).
    expected[{Canon(section), Canon(key)}] =
        value.substr(0, std::min(value.find_first_of("\r\n"), kMaxProfileValue));
  }
  const std::string out = profile.Serialise();

  // Read and written again by other names that compare equal.
  IniProfile reloaded(out);
  for (const auto& [names, value] : expected) {
    CHECK(reloaded.ReadString(names.first, names.second, "\x01") == value);
    reloaded.WriteString(names.first, names.second, value);
  }
  CHECK(reloaded.Serialise() == out);
  return 0;
}
