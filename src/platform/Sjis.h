// Shift-JIS (code page 932) <-> UTF-8, through glibc iconv. The core keeps
// every string in Shift-JIS; this is the one place where text meets Unicode
// (Qt widgets, captions, Linux file names).
#pragma once

#include <string>

// False when in is not valid Shift-JIS; out then holds what converted.
bool SjisToUtf8(const std::string& in, std::string& out);
// False when in has a character with no Shift-JIS form (or is not UTF-8).
bool Utf8ToSjis(const std::string& in, std::string& out);

// Convenience forms for constant texts that always convert.
std::string ToUtf8(const std::string& sjis);
std::string ToSjis(const std::string& utf8);

// The Linux file name of a Shift-JIS path. Bytes that are not valid
// Shift-JIS are passed through unchanged, so a hand-edited settings value
// still names whatever file its bytes name. Nine codes stand for two
// characters each (0x8160 for both 〜 and ～, 0x5C for \ and ¥, ...): a
// path holding one takes, folder by folder, the spelling that exists.
std::string NativePath(const std::string& sjisPath);

// The Shift-JIS form of a Linux path, when there is one that leads back to
// exactly this path through NativePath; false otherwise.
bool PathToSjis(const std::string& nativePath, std::string& sjisPath);
