// The settings file: the profile format, the bytes a close writes, what a
// start reads, and writes that fail.
#include <fcntl.h>

#include <climits>

#include "Rig.h"
#include "platform/Files.h"
#include "settings/IniProfile.h"

namespace {

namespace fs = std::filesystem;

TEST(IniProfile, Read) {
  // clang-format off
  struct Case {
    std::string File, Section, Key, Value;
  } cases[] = {
      {"[S]\r\nA=1", "S", "A", "1"}, {"[S]\rA=1\n", "S", "A", "-"}, {"", "S", "A", "-"},
      {"[sYsTeM]\nmsgspeed=7\n", "System", "MsgSpeed", "7"}, {"[Zz]\nzZ=1\n", "zZ", "Zz", "1"},
      {"  [ S ] ; x\n \tA \t=1\n", "S", "A", "1"}, {"[S]\nA=1\n[s]\nA=2\nB=3\n", "S", "B", "-"},
      {"\n[T]\nA=1\n[S]\nB=2\n", "S", "A", "-"}, {"A=0\n[S]\nB=2\n", "S", "A", "-"},
      {"[\x83\x5Dz\nA=1\n", "\x83\x5Dz", "A", "1"}, {"[\x83\x61]\nA=1\n", "\x83\x41", "A", "-"},
      {"[S]\n[A=1\n", "S", "[A", "-"}, {"[S]\n;A=1\n", "S", ";A", "-"}};
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(IniProfile(c.File).ReadString(c.Section, c.Key, "-"), c.Value) << c.File;
  // Values: the first of a key, trimmed unless quoted, quotes only in pairs;
  // a name may end in a lead byte; the closing zero asks for a missing key.
  const IniProfile p(
      "[S]\nA=1\na=2\nB=\nC\n;C=9\nC=2\nD= \t b=c \t \nE= \" x \" \nF='x'\n"
      "G=\"x'\nH=\"\nI=\"\"x\"\"\nJ=\"\"\n\x81=k\n");
  std::string got;
  for (char k : "ABCDEFGHIJ\x81") got += p.ReadString("S", std::string(1, k), "-") + "|";
  EXPECT_EQ(got, "1||2|b=c| x |x|\"x'|\"|\"x\"||k|-|");
  // At most 2047 bytes, never half a character.
  std::string pairs = "a";
  for (int i = 0; i < 1024; ++i) pairs += "\x81\x81";
  for (auto [v, n] : {std::pair{std::string(2049, 'a'), 2047},
                      {std::string(2046, 'a') + "\x82\xA0", 2046},
                      {pairs, 2047}})
    EXPECT_EQ(IniProfile("[S]\nA=" + v).ReadString("S", "A", "-"), v.substr(0, n));
}

TEST(IniProfile, Integers) {
  const std::pair<std::vector<std::string>, std::int32_t> cases[] = {
      {{"30", " 30", "   +30", "030", "0x1E", "0X1e", "x1E", "X1e", "$1E"}, 30},
      {{"-30", "-$1E", "-0x1e"}, -30},
      {{"$FFFFFFFF"}, -1},
      {{"$80000000", "-2147483648"}, INT_MIN},
      {{"2147483647"}, INT_MAX},
      {{"", " ", "abc", "12x", "30 ", "\t30", "1 2", "-", "$", "0x", "$G", "0x-1", "--1",
        "2147483648", "-2147483649", "$100000000", "12\x82\x4F"},
       99}};
  for (const auto& [texts, value] : cases)
    for (const std::string& text : texts) {
      std::int32_t v = 99;
      EXPECT_EQ(ParseProfileInteger(text, v), value != 99) << '"' << text << '"';
      EXPECT_EQ(v, value) << '"' << text << '"';
    }
  // Read from a file the value is trimmed first, unless quoted.
  const IniProfile p("[S]\nA=0x1E \nB=\" 30\"\nC=\"30 \"\nD=\nE=12x\n");
  std::vector<int> got;
  for (const char* k : {"A", "B", "C", "D", "E", "F"}) got.push_back(p.ReadInteger("S", k, 15));
  EXPECT_EQ(got, (std::vector<int>{30, 30, 15, 15, 15, 15}));
}

TEST(IniProfile, WriteChangesOnlyWhatItWrites) {
  // clang-format off
  struct Case {
    std::string Before, Section, Key, Value, After;
  } cases[] = {
      {"; t\n[System]\n  msgspeed = 15\nX=1\n", "SYSTEM", "MsgSpeed", "30",
       "; t\n[System]\nmsgspeed=30\r\nX=1\n"},
      {"[S]\nA=1\nA=2\n", "S", "a", "9", "[S]\nA=9\r\nA=2\n"},
      {"[S]\nA=1\n[s]\nB=2\n", "S", "B", "9", "[S]\nA=1\nB=9\r\n[s]\nB=2\n"},
      {"[S]\r\nPageBar = 5\n", "S", "PageBar", "5", "[S]\r\nPageBar = 5\n"},
      {"[S]\nA='x'", "S", "A", "x", "[S]\nA='x'"}, {"", "S", "K", "", "[S]\r\nK=\r\n"},
      {"[A]\nk1=1\n; n\nk3=3\n\n; B\n[B]\n", "A", "k2", "2",
       "[A]\nk1=1\n; n\nk3=3\nk2=2\r\n\n; B\n[B]\n"},
      {"[A]\n; c\n\n[B]\n", "A", "k", "v", "[A]\nk=v\r\n; c\n\n[B]\n"},
      {"[A]\nk=1", "A", "j", "2", "[A]\nk=1\r\nj=2\r\n"},
      {"[A]\nk=1\n\n; t\n", "B", "x", "1", "[A]\nk=1\n\n; t\n[B]\r\nx=1\r\n"},
      {"[A]\nk=1", "B", "x", "1", "[A]\nk=1\r\n[B]\r\nx=1\r\n"},
      {"", "S", "K", " a ", "[S]\r\nK=\" a \"\r\n"}, {"", "S", "K", "'a'", "[S]\r\nK=\"'a'\"\r\n"},
      {"", "S", "K", "a\"b", "[S]\r\nK=a\"b\r\n"}, {"", "S", "K", "\"", "[S]\r\nK=\"\r\n"},
      {"[S]\nK=1\n", "S", "K", "a\n[T]\r\nK=2", "[S]\nK=a\r\n"}};
  // clang-format on
  for (const Case& c : cases) {
    IniProfile p(c.Before);
    p.WriteString(c.Section, c.Key, c.Value);
    EXPECT_EQ(p.Serialise(), c.After) << c.Before;
  }
  // Values of every kind read back as written (the fuzz target tries many).
  IniProfile p("");
  p.WriteInteger("S", "I", INT_MIN);
  EXPECT_EQ(IniProfile(p.Serialise()).ReadInteger("S", "I", 0), INT_MIN);
  const std::string odd =
      "\xEF\xBB\xBF; x\r\n\n  [ A ] y\r\r\n k = v \t\n;c\x82\xA0\r\nno\n[B]\nlast";
  EXPECT_EQ(IniProfile(odd).Serialise(), odd);
}

// The [System] section a first close writes; "@" stands for the start folder.
std::string System(const std::string& dir) {
  std::string s =
      "Text=\r\nFullScreen=0\r\nFilterIndex=1\r\nWallpaper1=@/wall1.bmp\r\n"
      "Wallpaper2=@/wall2.bmp\r\nBrightness1=100\r\nBrightness2=70\r\nMenuPosX=456\r\n"
      "MenuPosY=328\r\nMenuPosZ=24\r\nPageBar=1\r\nHeadWord=、。，．：；！？」』）｝〕］】\r\n"
      "TailWord=「『（｛〔［【\r\nWaitWord=。！？\r\nNLineWord=　「・\r\nMsgSpeed=15\r\n"
      "NLineCut=1\r\nTagCut=1\r\nFontType=0\r\nFont=ＭＳ ゴシック\r\nBold=0\r\nFontData=\r\n";
  for (std::size_t at; (at = s.find('@')) != std::string::npos;) s.replace(at, 1, dir);
  return S(s);
}

// A first start has every default and makes no file; the first close writes
// every record and key in order, Shift-JIS, CR LF.
TEST(SettingsFile, FirstCloseWritesEveryKeyInOrder) {
  Rig rig;
  EXPECT_FALSE(fs::exists(rig.File("Yomibon.ini")));
  const mode_t mask = umask(027);
  rig.R->FormClose();
  umask(mask);
  EXPECT_EQ(fs::status(rig.File("Yomibon.ini")).permissions(), fs::perms(0640));
  std::string want;
  for (int i = 0; i < 11; ++i)
    want += "[" + (i ? "Data" + std::to_string(i - 1) : "Continue") +
            "]\r\nText=\r\nIndex=0\r\nLength=0\r\n";
  EXPECT_EQ(rig.Read("Yomibon.ini"), want + "[System]\r\n" + System(rig.Dir));
  EXPECT_EQ(rig.P.Log, "");
}

// Keys added later are written once they differ from their default or are
// in the file; out of range they act as the default but are kept.
TEST(SettingsFile, AddedKeys) {
  Rig rig("[System]\r\nZoom=7\r\nRuby=2\r\n[Data4]\r\nText=/d.txt\r\nIndex=1\r\nLength=3\r\n");
  EXPECT_EQ(ToUtf8(rig.R->DataItems[4].Caption) + std::to_string(rig.R->IntSettings[kZoom]),
            "d.txt　33 %7");  // a record read as it is stored
  EXPECT_EQ(SettingValue(rig.R->IntSettings, kZoom) * 10 + SettingValue(rig.R->IntSettings, kRuby),
            12);
  EXPECT_EQ(SettingValue(rig.R->IntSettings, kAutoWait), 1500);
  rig.R->IntSettings[kAutoWait] = 900;
  rig.R->FormClose();
  const std::string file = rig.Read("Yomibon.ini");
  EXPECT_EQ(file.substr(0, 31), "[System]\r\nZoom=7\r\nRuby=2\r\nText=");
  EXPECT_EQ(file.substr(file.find("FontData"), 26), "FontData=\r\nAutoWait=900\r\n[");
}

// Writes that fail: a message naming the file (a "%s" in it stays as it
// is), the old file as it was, no temporary file left, the window closes.
// A settings file that is a folder or a FIFO nobody writes to is never
// waited on: the defaults, the reader told at start, and never replaced;
// nor is a link that leads nowhere but to itself.
TEST(SettingsFile, FailedWritesKeepTheOldFile) {
  const std::string old = "[System]\r\nMsgSpeed=20\r\n";
  const FileWriteCalls saved = FileWrites;
  for (int way = 0; way < 6; ++way) {
    Rig rig(way == 2 || way == 3 || way == 5 ? "" : old, false);
    if (way == 2) fs::create_directory(rig.File("Yomibon.ini"));
    if (way == 3) mkfifo("Yomibon.ini", 0600);
    if (way == 5) fs::create_symlink("Yomibon.ini", "Yomibon.ini");
    rig.R->FormCreate();
    EXPECT_EQ(rig.R->IntSettings[kMsgSpeed], way == 2 || way == 3 || way == 5 ? 15 : 20);
    rig.R->IntSettings[kMsgSpeed] = 40;
    // A full disk, a read-only folder, a name with "%s".
    if (way == 0) FileWrites.Write = [](int, const void*, std::size_t) -> ssize_t { return 0; };
    if (way == 1) FileWrites.CreateTemp = [](char*) { return errno = EROFS, -1; };
    if (way == 4) rig.R->StartDir = rig.Dir + "/100%s%n";
    rig.R->FormClose();
    FileWrites = saved;
    const std::string path = rig.R->StartDir + "/Yomibon.ini";
    EXPECT_EQ(rig.P.Log,
              (way == 2 || way == 3 ? "! W:" + path + "\nファイルを読み込めません。 " : "") +
                  "E:" + path + " に書き込めません ")
        << way;
    // Only the settings file (a folder or FIFO for ways 2 and 3) is left.
    EXPECT_EQ(std::distance(fs::directory_iterator(rig.Dir), {}), 1) << way;
    const bool file = fs::is_regular_file(fs::symlink_status("Yomibon.ini"));
    EXPECT_EQ(file ? rig.Read("Yomibon.ini") : old, old);
  }
}

// A code that stands for two characters (〜 and ～ are both 0x8160) finds
// the spelling on disk, and a name whose spelling cannot be told apart is
// refused. A start folder with no Shift-JIS form keeps its settings and
// wallpapers.
TEST(SettingsFile, NamesOfAnyKind) {
  Rig rig("", false);
  const std::string dir = rig.File("第1話〜"), name = dir + "/a−b¥‖—.txt";
  fs::create_directory(dir);
  std::ofstream(name) << "x";
  std::string sjis;
  ASSERT_TRUE(PathToSjis(name, sjis));
  EXPECT_EQ(sjis, S(rig.Dir) + S("/第1話～/a－b\\∥―.txt"));
  EXPECT_EQ(NativePath(sjis), name);
  EXPECT_EQ(NativePath(S(rig.Dir + "/第1話～/new.txt")), dir + "/new.txt");
  std::ofstream(rig.File("第1話～")) << "x";  // now both spellings exist
  EXPECT_FALSE(PathToSjis(dir, sjis));
  EXPECT_TRUE(PathToSjis(rig.File("第1話～"), sjis));
  for (const char* folder : {"josé", "\xE9t\xE9"}) {
    fs::create_directory(rig.File(folder));
    rig.Write(folder + std::string("/wall1.bmp"), "B");
    ASSERT_EQ(chdir(rig.File(folder).c_str()), 0);
    for (int run = 0; run < 2; ++run) {
      Reader r(&rig.P);
      rig.P.R = &r;
      r.FormCreate();
      EXPECT_EQ(r.StrSettings[kWallpaper1], "./wall1.bmp");
      EXPECT_EQ(r.CoverWallpaper.Pixel(0, 0), 0x102030u);
      EXPECT_EQ(r.IntSettings[kMsgSpeed], run ? 40 : 15);
      r.IntSettings[kMsgSpeed] = 40;
      r.FormClose();
    }
    EXPECT_TRUE(fs::exists(rig.File(folder) + "/Yomibon.ini"));
  }
}

// A settings file that is a link is written through it and stays a link.
// What killed saves and font data runs left goes at startup, once older
// than a minute; a user's files of like names stay, and so does a link.
TEST(SettingsFile, LinksAndLeftovers) {
  Rig rig("", false);
  fs::create_directory(rig.File("real"));
  rig.Write("real/Yomibon.ini", "[System]\r\nMsgSpeed=20\r\n");
  fs::create_symlink("real/Yomibon.ini", rig.File("Yomibon.ini"));
  // clang-format off
  const std::tuple<std::string, int, bool> files[] = {
      {"real/Yomibon.ini.Ab12Cd.pagelune-tmp", 90, false},
      {"real/Yomibon.ini.Ab12Ce.pagelune-tmp", 30, true},
      {"real/Yomibon.ini.Ab12Cd.pagelune-bak", 90, true},
      {"Yomibon.ini.Ab12Cf.pagelune-tmp", 90, true},
      {"f.fdt.zZ09aA.pagelune-tmp", 90, false}, {"f.fdt.zZ09a.pagelune-tmp", 90, true},
      {"notes.txt.Ab12Cd.pagelune-tmp", 90, true}, {"real/Yomibon.ini.backup", 90, true},
      {"real/Yomibon.ini.201912", 90, true}, {"IPAGothic.fdt.backup", 90, true},
      {"IPAGothic.fdt.201912", 90, true}, {"victim", 90, true}};
  // clang-format on
  for (const auto& [name, age, kept] : files) {
    rig.Write(name, "x");
    fs::last_write_time(rig.File(name),
                        fs::file_time_type::clock::now() - std::chrono::seconds(age));
  }
  const std::string link = rig.File("real/Yomibon.ini.Ab12Cg.pagelune-tmp");
  fs::create_symlink(rig.File("victim"), link);
  const timespec old[2] = {{0, UTIME_OMIT}, {time(nullptr) - 90, 0}};
  utimensat(AT_FDCWD, link.c_str(), old, AT_SYMLINK_NOFOLLOW);
  rig.R->FormCreate();
  for (const auto& [name, age, kept] : files) EXPECT_EQ(fs::exists(rig.File(name)), kept) << name;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(rig.R->IntSettings[kMsgSpeed], 20);
  rig.R->IntSettings[kMsgSpeed] = 40;
  rig.R->FormClose();
  EXPECT_TRUE(fs::is_symlink(rig.File("Yomibon.ini")));
  EXPECT_NE(rig.Read("real/Yomibon.ini").find("MsgSpeed=40\r\n"), std::string::npos);
  EXPECT_EQ(rig.P.Log, "");
}

}  // namespace
