// Text routines of the engine: Windows-1252 ("ANSI") <-> UTF-16 and UTF-8 conversion, locale
// comparison in string-sort mode (punctuation counts) and case mapping through ICU for the
// user's locale, the LIKE matcher (ANSI and wide) and unique-name generation.
#pragma once

#include <string>
#include <string_view>

// ANSI text: Windows-1252 bytes.
using AnsiString = std::string;

// Windows-1252 to UTF-16 and back; the five unassigned bytes map to the code points of the
// same value, so every byte survives a round trip. Characters without a Windows-1252 byte
// become '?'.
std::u16string AnsiToWide(std::string_view text);
AnsiString WideToAnsi(std::u16string_view text);
AnsiString Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
std::u16string Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);

// Locale comparison of the user's locale in string-sort mode: <0, 0 or >0. `count` limits
// both texts to their first count characters (-1: whole texts).
int VexAnsiCompare(std::string_view a, std::string_view b, bool caseInsensitive, int count = -1);
int VexWideCompare(std::u16string_view a, std::u16string_view b, bool caseInsensitive,
                   int count = -1);

// Case mapping character by character (the length never changes).
AnsiString VexAnsiUpperCase(std::string_view text);
AnsiString VexAnsiLowerCase(std::string_view text);
std::u16string VexWideUpperCase(std::u16string_view text);
std::u16string VexWideLowerCase(std::u16string_view text);

// The LIKE matcher: "%" any run, "_" any one character, the escape character (when enabled)
// takes the next pattern character literally; other characters compare through the locale
// comparison, ignoring case when asked.
bool VexAnsiLike(std::string_view value, std::string_view pattern, bool escapeEnabled,
                 bool caseInsensitive, char escapeChar);
bool VexWideLike(std::u16string_view value, std::u16string_view pattern, bool escapeEnabled,
                 bool caseInsensitive, char16_t escapeChar);

// The prefix followed by the decimal text of a random number in 0..999999.
std::string VexUniqueName(std::string_view prefix);
