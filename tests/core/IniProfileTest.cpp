#include "settings/IniProfile.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

const std::string kDef = "<default>";

struct ReadCase {
  const char* Name;
  std::string File;
  std::string Section;
  std::string Key;
  std::string Expected;
};

class IniProfileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniProfileRead, ReturnsValueOrDefault) {
  const ReadCase& c = GetParam();
  IniProfile p(c.File);
  EXPECT_EQ(p.ReadString(c.Section, c.Key, kDef), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniProfileRead,
    testing::Values(
        ReadCase{"LfEndings", "[S]\nA=1\nB=2\n", "S", "B", "2"},
        ReadCase{"CrLfEndings", "[S]\r\nA=1\r\nB=2\r\n", "S", "A", "1"},
        ReadCase{"LastLineWithoutEnding", "[S]\r\nA=1", "S", "A", "1"},
        ReadCase{"LoneCrDoesNotEndALine", "[S]\rA=1\n", "S", "A", kDef},
        ReadCase{"NamesIgnoreCase", "[sYsTeM]\nmsgspeed=7\n", "System", "MsgSpeed", "7"},
        ReadCase{"NamesAreTrimmed", "  [ S ]  \n \tA \t=1\n", "S", "A", "1"},
        ReadCase{"TextAfterTheBracket", "[S] ; note\nA=1\n", "S", "A", "1"},
        ReadCase{"FirstKeyWins", "[S]\nA=1\na=2\n", "S", "A", "1"},
        ReadCase{"FirstSectionWins", "[S]\nA=1\n[s]\nA=2\n", "S", "A", "1"},
        ReadCase{"OnlyTheFirstSectionIsSearched", "[S]\nA=1\n[S]\nB=2\n", "S", "B", kDef},
        ReadCase{"KeyOfAnotherSection", "[T]\nA=1\n[S]\nB=2\n", "S", "A", kDef},
        ReadCase{"KeyBeforeAnySection", "A=0\n[S]\nB=2\n", "S", "A", kDef},
        ReadCase{"AbsentSection", "[S]\nA=1\n", "T", "A", kDef},
        ReadCase{"EmptyFile", "", "S", "A", kDef},
        ReadCase{"EmptyValueIsNotTheDefault", "[S]\nA=\n", "S", "A", ""},
        ReadCase{"LineWithoutEqualsIsNoKey", "[S]\nA\nA=2\n", "S", "A", "2"},
        ReadCase{"CommentIsNoKey", "[S]\n;A=9\nA=1\n", "S", "A", "1"},
        ReadCase{"EqualsInValue", "[S]\nA=b=c\n", "S", "A", "b=c"},
        ReadCase{"ValueTrimmedOfBlanks", "[S]\nA= \t x y \t \n", "S", "A", "x y"},
        ReadCase{"DoubleQuotesStripped", "[S]\nA=\"x\"\n", "S", "A", "x"},
        ReadCase{"SingleQuotesStripped", "[S]\nA='x'\n", "S", "A", "x"},
        ReadCase{"QuotesKeepInnerBlanks", "[S]\nA= \" x \" \n", "S", "A", " x "},
        ReadCase{"UnmatchedQuotesStay", "[S]\nA=\"x'\n", "S", "A", "\"x'"},
        ReadCase{"LoneQuoteStays", "[S]\nA=\"\n", "S", "A", "\""},
        ReadCase{"OnlyTheOuterPairGoes", "[S]\nA=\"\"x\"\"\n", "S", "A", "\"x\""},
        // A trail byte may be "]" or a letter: neither may be taken as ASCII.
        ReadCase{"TrailByteIsNoBracket", "[\x83\x5Dz\nA=1\n", "\x83\x5Dz", "A", "1"},
        ReadCase{"TrailByteIsNotCaseFolded", "[\x83\x61]\nA=1\n", "\x83\x41", "A", kDef},
        ReadCase{"DoubleByteValue", "[S]\nA=\x82\xA0\x82\xA2\n", "S", "A", "\x82\xA0\x82\xA2"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.Name); });

TEST(IniProfileRead, CutsLongValuesOnACharacterBoundary) {
  struct Case {
    std::string Value;
    std::size_t Expected;  // bytes returned
  };
  const std::string a2045(2045, 'a'), a2046(2046, 'a'), a2047(2047, 'a');
  std::string pairs = "a";  // "a" then pairs of 0x81 0x81: trail bytes in the lead range
  for (int i = 0; i < 1024; ++i) pairs += "\x81\x81";
  const Case cases[] = {
      {a2047, 2047},
      {a2047 + "bc", 2047},
      {a2045 + "\x82\xA0", 2047},
      {a2046 + "\x82\xA0", 2046},  // the character would need bytes 2047 and 2048
      {pairs, 2047},               // the last whole pair ends at byte 2047
      {"\"" + a2047 + "b\"", 2047},
  };
  for (const Case& c : cases) {
    IniProfile p("[S]\r\nA=" + c.Value + "\r\n");
    std::string v = p.ReadString("S", "A", kDef);
    EXPECT_EQ(v.size(), c.Expected);
    std::string unquoted = c.Value.front() == '"' ? c.Value.substr(1) : c.Value;
    EXPECT_EQ(v, unquoted.substr(0, c.Expected));
  }
}

struct IntCase {
  const char* Text;
  bool Converts;
  std::int32_t Value;
};

TEST(ParseProfileInteger, ConvertsOnlyWholeValues) {
  const IntCase cases[] = {
      {"30", true, 30},
      {" 30", true, 30},
      {"   -5", true, -5},
      {"+7", true, 7},
      {"007", true, 7},
      {"0x1E", true, 30},
      {"0X1e", true, 30},
      {"x1E", true, 30},
      {"X1e", true, 30},
      {"$1E", true, 30},
      {"$FFFFFFFF", true, -1},
      {"$80000000", true, INT_MIN},
      {"-$10", true, -16},
      {"-0x1", true, -1},
      {"2147483647", true, INT_MAX},
      {"-2147483648", true, INT_MIN},
      {"", false, 0},
      {" ", false, 0},
      {"abc", false, 0},
      {"12x", false, 0},
      {"30 ", false, 0},
      {"\t30", false, 0},
      {"1 2", false, 0},
      {"1e3", false, 0},
      {"-", false, 0},
      {"+", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"$G", false, 0},
      {"0x-1", false, 0},
      {"--1", false, 0},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999", false, 0},
      {"$100000000", false, 0},
      {"12\x82\x4F", false, 0},
  };
  for (const IntCase& c : cases) {
    std::int32_t v = 12345;
    EXPECT_EQ(ParseProfileInteger(c.Text, v), c.Converts) << '"' << c.Text << '"';
    EXPECT_EQ(v, c.Converts ? c.Value : 12345) << '"' << c.Text << '"';
  }
}

TEST(IniProfileRead, IntegerFallsBackToTheDefault) {
  IniProfile p(
      "[S]\n"
      "Hex = 0x1E \n"
      "Quoted=\" 30\"\n"
      "QuotedTrailing=\"30 \"\n"
      "Empty=\n"
      "Junk=12x\n");
  EXPECT_EQ(p.ReadInteger("S", "Hex", 15), 30);
  EXPECT_EQ(p.ReadInteger("S", "Quoted", 15), 30);
  EXPECT_EQ(p.ReadInteger("S", "QuotedTrailing", 15), 15);
  EXPECT_EQ(p.ReadInteger("S", "Empty", 15), 15);
  EXPECT_EQ(p.ReadInteger("S", "Junk", 15), 15);
  EXPECT_EQ(p.ReadInteger("S", "Absent", 15), 15);
  EXPECT_EQ(p.ReadInteger("T", "Hex", 15), 15);
}

struct WriteCase {
  const char* Name;
  std::string Before;
  std::string Section, Key, Value;
  std::string After;
};

class IniProfileWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniProfileWrite, ChangesOnlyWhatItWrites) {
  const WriteCase& c = GetParam();
  IniProfile p(c.Before);
  p.WriteString(c.Section, c.Key, c.Value);
  EXPECT_EQ(p.Serialise(), c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniProfileWrite,
    testing::Values(
        WriteCase{"ReplacesInPlaceKeepingTheKeySpelling",
                  "; top\n[System]\n  msgspeed = 15\nOther=1\n", "SYSTEM", "MsgSpeed", "30",
                  "; top\n[System]\nmsgspeed=30\r\nOther=1\n"},
        WriteCase{"ReplacesTheFirstOfTwoKeys", "[S]\nA=1\nA=2\n", "S", "a", "9",
                  "[S]\nA=9\r\nA=2\n"},
        WriteCase{"WritesIntoTheFirstOfTwoSections", "[S]\nA=1\n[s]\nB=2\n", "S", "B", "9",
                  "[S]\nA=1\nB=9\r\n[s]\nB=2\n"},
        WriteCase{"SameValueLeavesTheLine", "[S]\r\nPageBar = 5\n", "S", "PageBar", "5",
                  "[S]\r\nPageBar = 5\n"},
        WriteCase{"SameValueQuotedLeavesTheLine", "[S]\nA='x'", "S", "A", "x", "[S]\nA='x'"},
        WriteCase{"NewKeyAfterTheLastKeyLine", "[A]\nk1=1\n; note\nk3=3\n\n; about=B\n[B]\nz=0\n",
                  "A", "k2", "2", "[A]\nk1=1\n; note\nk3=3\nk2=2\r\n\n; about=B\n[B]\nz=0\n"},
        WriteCase{"NewKeyInASectionWithoutKeys", "[A]\n; a comment\n\n[B]\n", "A", "k", "v",
                  "[A]\nk=v\r\n; a comment\n\n[B]\n"},
        WriteCase{"NewKeyInTheLastSection", "[A]\nk=1\n\n", "A", "j", "2", "[A]\nk=1\nj=2\r\n\n"},
        WriteCase{"NewKeyAfterALastLineWithoutEnding", "[A]\nk=1", "A", "j", "2",
                  "[A]\nk=1\r\nj=2\r\n"},
        WriteCase{"NewSectionAtTheEnd", "[A]\nk=1\n\n; tail\n", "B", "x", "1",
                  "[A]\nk=1\n\n; tail\n[B]\r\nx=1\r\n"},
        WriteCase{"NewSectionAfterALastLineWithoutEnding", "[A]\nk=1", "B", "x", "1",
                  "[A]\nk=1\r\n[B]\r\nx=1\r\n"},
        WriteCase{"EmptyValueIntoAnEmptyFile", "", "S", "K", "", "[S]\r\nK=\r\n"},
        WriteCase{"BlanksKeptByQuotes", "", "S", "K", " a ", "[S]\r\nK=\" a \"\r\n"},
        WriteCase{"EnclosingQuotesKeptByQuotes", "", "S", "K", "'a'", "[S]\r\nK=\"'a'\"\r\n"},
        WriteCase{"InnerQuotesNeedNone", "", "S", "K", "a\"b", "[S]\r\nK=a\"b\r\n"},
        WriteCase{"ValueStopsAtALineBreak", "[S]\nK=1\n", "S", "K", "a\n[T]\r\nK=2",
                  "[S]\nK=a\r\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.Name); });

TEST(IniProfileWrite, WrittenValuesReadBackUnchanged) {
  const std::string values[] = {
      "",   "x",    " lead", "trail\t",      "\"q\"",           "'q'",
      "\"", "a'b'", "x=y",   "; no comment", "[not a section]", "C:\\\x95\xB6\x8F\xCD\\a.txt"};
  IniProfile p("; keep\n[Other]\nv=1\n");
  for (std::size_t i = 0; i < std::size(values); ++i)
    p.WriteString("S", "K" + std::to_string(i), values[i]);
  IniProfile again(p.Serialise());
  for (std::size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(again.ReadString("S", "K" + std::to_string(i), kDef), values[i]) << i;
  EXPECT_EQ(again.ReadString("Other", "v", kDef), "1");
}

TEST(IniProfileWrite, IntegersInDecimal) {
  IniProfile p;
  p.WriteInteger("S", "A", -5);
  p.WriteInteger("S", "B", INT_MIN);
  p.WriteInteger("S", "C", 0);
  EXPECT_EQ(p.Serialise(), "[S]\r\nA=-5\r\nB=-2147483648\r\nC=0\r\n");
}

TEST(IniProfileWrite, LoadAndSerialiseKeepEveryByte) {
  const std::string file =
      "\xEF\xBB\xBF; odd start\r\n\n  [ A ] trailing\r\r\n k = v \t\n\t\n;c\x82\xA0\r\nno equals\n"
      "[B]\nlast line without ending";
  EXPECT_EQ(IniProfile(file).Serialise(), file);
}

}  // namespace
