#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ScriptedPlatform.h"
#include "reader/Reader.h"
#include "settings/SettingKeys.h"
#include "text/SjisTexts.h"

namespace fs = std::filesystem;

namespace {

// " に書き込めません" after the path.
const std::string kCannotWriteTail =
    "\x20\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1";

struct Documented {
  const char* Key;
  bool Integer;
  std::string Default;  // as written in the file
};

// The System keys in their documented order with their defaults.
std::vector<Documented> DocumentedSystem(const std::string& dir) {
  return {
      {"Text", false, ""},
      {"FullScreen", true, "0"},
      {"FilterIndex", true, "1"},
      {"Wallpaper1", false, dir + "/wall1.bmp"},
      {"Wallpaper2", false, dir + "/wall2.bmp"},
      {"Brightness1", true, "100"},
      {"Brightness2", true, "70"},
      {"MenuPosX", true, "456"},
      {"MenuPosY", true, "328"},
      {"MenuPosZ", true, "24"},
      {"PageBar", true, "1"},
      {"HeadWord", false,
       "\x81\x41\x81\x42\x81\x43\x81\x44\x81\x46\x81\x47\x81\x49\x81\x48\x81\x76"
       "\x81\x78\x81\x6A\x81\x70\x81\x6C\x81\x6E\x81\x7A"},
      {"TailWord", false, "\x81\x75\x81\x77\x81\x69\x81\x6F\x81\x6B\x81\x6D\x81\x79"},
      {"WaitWord", false, "\x81\x42\x81\x49\x81\x48"},
      {"NLineWord", false, "\x81\x40\x81\x75\x81\x45"},
      {"MsgSpeed", true, "15"},
      {"NLineCut", true, "1"},
      {"TagCut", true, "1"},
      {"FontType", true, "0"},
      {"Font", false, "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E"},
      {"Bold", true, "0"},
      {"FontData", false, ""},
  };
}

const char* const kRecordSections[] = {"Continue", "Data0", "Data1", "Data2", "Data3", "Data4",
                                       "Data5",    "Data6", "Data7", "Data8", "Data9"};

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// Each test runs in a fresh temporary folder that is the current directory,
// as the reader's start directory is.
class SettingsFile : public testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = fs::current_path();
    std::string tmpl = (fs::temp_directory_path() / "settings-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = fs::canonical(tmpl);
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(oldCwd_);
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    for (const auto& e : fs::recursive_directory_iterator(dir_))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }

  std::unique_ptr<Reader> Loaded() {
    auto r = std::make_unique<Reader>(&platform_);
    r->LoadSettings();
    return r;
  }
  fs::path Ini() const { return dir_ / "Yomibon.ini"; }

  ScriptedPlatform platform_;
  fs::path dir_;

 private:
  fs::path oldCwd_;
};

std::string EmptyRecords() {
  std::string s;
  for (const char* sec : kRecordSections)
    s += std::string("[") + sec + "]\r\nText=\r\nIndex=0\r\nLength=0\r\n";
  return s;
}

TEST_F(SettingsFile, FirstStartGivesTheDefaultsAndTheFirstCloseWritesThemAll) {
  auto r = Loaded();
  EXPECT_EQ(r->StartDir, dir_.string());
  EXPECT_EQ(r->SettingsPath(), dir_.string() + "/Yomibon.ini");
  for (const ReadRecord& rec : r->Records) {
    EXPECT_EQ(rec.Text, "");
    EXPECT_EQ(rec.Index, 0);
    EXPECT_EQ(rec.Length, 0);
  }
  EXPECT_EQ(r->IntSettings, (std::array<std::int32_t, kIntSettingCount>{0, 1, 100, 70, 456, 328, 24,
                                                                        1, 15, 1, 1, 0, 0}));
  EXPECT_EQ(r->IntDefaults, r->IntSettings);
  EXPECT_EQ(r->StrDefaults, r->StrSettings);

  ASSERT_TRUE(r->SaveSettings());
  std::string expected = EmptyRecords() + "[System]\r\n";
  for (const Documented& d : DocumentedSystem(dir_.string()))
    expected += std::string(d.Key) + "=" + d.Default + "\r\n";
  EXPECT_EQ(ReadBytes(Ini()), expected);
  EXPECT_TRUE(platform_.Boxes.empty());
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"Yomibon.ini"});
}

TEST_F(SettingsFile, KeyKindsDecideHowAValueReads) {
  // "0x10" is 16 for an integer key and stays text for a string key.
  std::string file = "[System]\r\n";
  for (const Documented& d : DocumentedSystem(dir_.string()))
    file += std::string(d.Key) + "=0x10\r\n";
  WriteBytes(Ini(), file);
  auto r = Loaded();
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    const Documented d = DocumentedSystem(dir_.string())[i];
    EXPECT_STREQ(SettingKeys[i], d.Key);
    EXPECT_EQ(SettingKinds[i] == SettingKind::Integer, d.Integer) << d.Key;
  }
  for (std::int32_t v : r->IntSettings) EXPECT_EQ(v, 16);
  for (const std::string& s : r->StrSettings) EXPECT_EQ(s, "0x10");
}

TEST_F(SettingsFile, ReadsAHandWrittenFileAsWritten) {
  WriteBytes(Ini(),
             "; written by hand\n"
             "[continue]\r\n"
             "text=C:\\books\\story.txt\r\n"
             "INDEX=0x10\r\n"
             "Length = 300\r\n"
             "[Data3]\n"
             "Text=\"/home/r/a b.txt \"\n"
             "Index=12x\n"
             "Length=\n"
             "[system]\n"
             "MsgSpeed=0x1E\n"
             "Brightness1=\" 30\"\n"
             "Brightness2=abc\n"
             "MenuPosX=600\n"
             "MenuPosY=99999999999\n"
             "MenuPosZ=$FFFFFFFF\n"
             "PageBar=5\n"
             "TagCut=\n"
             "msgspeed=99\n"
             "Wallpaper1=/no/such/folder/pic.bmp\n"
             "Font='\x82\x6C\x82\x72 \x96\xBE\x92\xA9'\n"
             "[System]\n"
             "Bold=1\n");
  auto r = Loaded();
  EXPECT_EQ(r->Records[0].Text, "C:\\books\\story.txt");
  EXPECT_EQ(r->Records[0].Index, 16);
  EXPECT_EQ(r->Records[0].Length, 300);
  EXPECT_EQ(r->Records[4].Text, "/home/r/a b.txt ");
  EXPECT_EQ(r->Records[4].Index, 0);
  EXPECT_EQ(r->Records[4].Length, 0);
  EXPECT_EQ(r->IntSettings[kMsgSpeed], 30);
  EXPECT_EQ(r->IntSettings[kBrightness1], 30);
  EXPECT_EQ(r->IntSettings[kBrightness2], 70);
  EXPECT_EQ(r->IntSettings[kMenuPosX], 600);  // kept: nothing is clamped
  EXPECT_EQ(r->IntSettings[kMenuPosY], 328);
  EXPECT_EQ(r->IntSettings[kMenuPosZ], -1);
  EXPECT_EQ(r->IntSettings[kPageBar], 5);
  EXPECT_EQ(r->IntSettings[kTagCut], 1);
  EXPECT_EQ(r->IntSettings[kBold], 0);  // only the first System section counts
  EXPECT_EQ(r->StrSettings[kWallpaper1], "/no/such/folder/pic.bmp");
  EXPECT_EQ(r->StrSettings[kWallpaper2], dir_.string() + "/wall2.bmp");
  EXPECT_EQ(r->StrSettings[kFont], "\x82\x6C\x82\x72 \x96\xBE\x92\xA9");

  // Saved and read again, every value comes back as it was used.
  ASSERT_TRUE(r->SaveSettings());
  auto again = Loaded();
  EXPECT_EQ(again->Records[0].Text, r->Records[0].Text);
  EXPECT_EQ(again->Records[4].Text, r->Records[4].Text);
  for (std::size_t i = 0; i < r->Records.size(); ++i) {
    EXPECT_EQ(again->Records[i].Index, r->Records[i].Index) << i;
    EXPECT_EQ(again->Records[i].Length, r->Records[i].Length) << i;
  }
  EXPECT_EQ(again->IntSettings, r->IntSettings);
  EXPECT_EQ(again->StrSettings, r->StrSettings);
  const std::string saved = ReadBytes(Ini());
  EXPECT_NE(saved.find("\nPageBar=5\n"), std::string::npos);      // as read, untouched
  EXPECT_NE(saved.find("\nMsgSpeed=30\r\n"), std::string::npos);  // rewritten in decimal
  EXPECT_NE(saved.find("\nmsgspeed=99\n"), std::string::npos);    // the shadowed duplicate stays
  EXPECT_NE(saved.find("\nBold=1\n"), std::string::npos);
}

// A complete file as someone might keep it: comments, blank lines, an
// unknown section, unknown keys, odd spacing and case, LF line ends.
std::string HandKeptFile(const std::string& dir) {
  std::string f = "; Yomibon settings, edited by hand\n\n";
  for (const char* sec : kRecordSections) {
    f += std::string("[") + sec + "]\n";
    if (std::string(sec) == "Data2")
      f += "text = /books/b.txt\nIndex=1200\nLENGTH=90000\n\n";
    else
      f += "Text=\nIndex=0\nLength=0\n\n";
  }
  f += "[Mine]\nanything=goes\n; and stays\n\n";
  f += "[System]\n";
  for (const Documented& d : DocumentedSystem(dir)) {
    f += std::string(d.Key) + " = " + d.Default + "\n";
    if (std::string(d.Key) == "PageBar") f += "Unknown=42\n; a note between keys\n";
  }
  f += "\n; the end";
  return f;
}

TEST_F(SettingsFile, LoadAndSaveKeepAFileByteForByte) {
  const std::string file = HandKeptFile(dir_.string());
  WriteBytes(Ini(), file);
  auto r = Loaded();
  EXPECT_EQ(r->Records[3].Text, "/books/b.txt");
  ASSERT_TRUE(r->SaveSettings());
  EXPECT_EQ(ReadBytes(Ini()), file);

  // A changed value rewrites its own line and nothing else.
  r->IntSettings[kMsgSpeed] = 40;
  r->Records[0] = {"/books/c.txt", 24, 480};
  ASSERT_TRUE(r->SaveSettings());
  std::string expected = file;
  auto swap = [&](const std::string& from, const std::string& to) {
    std::size_t at = expected.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    expected.replace(at, from.size(), to);
  };
  swap("[Continue]\nText=\nIndex=0\nLength=0\n",
       "[Continue]\nText=/books/c.txt\r\nIndex=24\r\nLength=480\r\n");
  swap("MsgSpeed = 15\n", "MsgSpeed=40\r\n");
  EXPECT_EQ(ReadBytes(Ini()), expected);
}

TEST_F(SettingsFile, MissingKeysJoinTheirSectionAndMissingSectionsTheEnd) {
  WriteBytes(Ini(), "[System]\r\nMsgSpeed=20\r\n; end of System\r\n");
  auto r = Loaded();
  EXPECT_EQ(r->IntSettings[kMsgSpeed], 20);
  ASSERT_TRUE(r->SaveSettings());
  std::string expected = "[System]\r\nMsgSpeed=20\r\n";
  for (const Documented& d : DocumentedSystem(dir_.string()))
    if (std::string(d.Key) != "MsgSpeed") expected += std::string(d.Key) + "=" + d.Default + "\r\n";
  expected += "; end of System\r\n" + EmptyRecords();
  EXPECT_EQ(ReadBytes(Ini()), expected);
}

// Ways in which the settings file cannot be written. Each prepares the
// folder and returns false when it cannot apply for this user.
struct WriteFailure {
  const char* Name;
  bool (*Prepare)(Reader& r, const fs::path& dir);
};

bool IsRoot() { return geteuid() == 0; }

const WriteFailure kWriteFailures[] = {
    {"ReadOnlyFolder",
     [](Reader&, const fs::path& dir) {
       if (IsRoot()) return false;  // permissions do not stop root
       fs::permissions(dir, fs::perms(0555));
       return true;
     }},
    {"ReadOnlyFile",
     [](Reader&, const fs::path& dir) {
       if (IsRoot()) return false;
       fs::permissions(dir / "Yomibon.ini", fs::perms(0444));
       return true;
     }},
    {"UnreadableFile",
     [](Reader&, const fs::path& dir) {
       if (IsRoot()) return false;
       fs::permissions(dir / "Yomibon.ini", fs::perms::none);
       return true;
     }},
    {"SettingsPathIsAFolder",
     [](Reader&, const fs::path& dir) {
       fs::remove(dir / "Yomibon.ini");
       fs::create_directory(dir / "Yomibon.ini");
       WriteBytes(dir / "Yomibon.ini" / "inside", "kept");
       return true;
     }},
    {"StartFolderGone",
     [](Reader& r, const fs::path& dir) {
       // "%s" and "%n" in the path must reach the message as they are.
       r.StartDir = (dir / "100%s%n" / "gone").string();
       return true;
     }},
};

class SettingsWriteFailure : public SettingsFile,
                             public testing::WithParamInterface<WriteFailure> {};

TEST_P(SettingsWriteFailure, ReportsAndLeavesTheOldFile) {
  const std::string old = HandKeptFile(dir_.string());
  WriteBytes(Ini(), old);
  auto r = Loaded();
  r->IntSettings[kMsgSpeed] = 40;
  if (!GetParam().Prepare(*r, dir_)) GTEST_SKIP() << "cannot be arranged as root";
  const auto before = Listing(dir_);

  EXPECT_FALSE(r->SaveSettings());
  ASSERT_EQ(platform_.Boxes.size(), 1u);
  EXPECT_EQ(platform_.Boxes[0].Kind, BoxKind::Error);
  EXPECT_EQ(platform_.Boxes[0].Text, r->SettingsPath() + kCannotWriteTail);
  EXPECT_EQ(platform_.Boxes[0].Caption, "Pagelune");

  fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(Listing(dir_), before);  // no temporary file left behind
  if (fs::is_regular_file(Ini())) {
    fs::permissions(Ini(), fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(ReadBytes(Ini()), old);
  } else if (fs::is_directory(Ini())) {
    EXPECT_EQ(Listing(Ini()), std::set<std::string>{"inside"});
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, SettingsWriteFailure, testing::ValuesIn(kWriteFailures),
                         [](const testing::TestParamInfo<WriteFailure>& info) {
                           return std::string(info.param.Name);
                         });

// A full disk fails a write for root as well: a file size limit below the
// new file's size stands in for it.
TEST_F(SettingsFile, FailedWriteMidwayLeavesTheOldFile) {
  const std::string old = "[System]\r\nMsgSpeed=20\r\n";
  WriteBytes(Ini(), old);
  auto r = Loaded();
  r->IntSettings[kMsgSpeed] = 40;

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 64;
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool ok = r->SaveSettings();
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_FALSE(ok);
  ASSERT_EQ(platform_.Boxes.size(), 1u);
  EXPECT_EQ(platform_.Boxes[0].Text, r->SettingsPath() + kCannotWriteTail);
  EXPECT_EQ(ReadBytes(Ini()), old);
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"Yomibon.ini"});
}

TEST_F(SettingsFile, StartDirIsFixedAtLoad) {
  auto r = Loaded();
  fs::create_directory(dir_ / "elsewhere");
  fs::current_path(dir_ / "elsewhere");
  ASSERT_TRUE(r->SaveSettings());
  EXPECT_TRUE(fs::exists(Ini()));
  EXPECT_FALSE(fs::exists(dir_ / "elsewhere" / "Yomibon.ini"));
}

}  // namespace
