// Text conversion, locale comparison, case mapping, LIKE and unique names.
#include "engine/base/VexStrUtils.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "engine/base/VexExcept.h"

namespace {

// Code points of the bytes 0x80..0x9F; the unassigned ones keep their own value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t AnsiCharToWide(unsigned char c) {
  return c >= 0x80 && c <= 0x9F ? kHigh[c - 0x80] : char16_t(c);
}

// The Windows-1252 byte of a code point, or -1.
int WideCharToAnsi(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return -1;
}

icu::Collator& Collator(bool caseInsensitive) {
  thread_local std::unique_ptr<icu::Collator> collators[2];
  std::unique_ptr<icu::Collator>& c = collators[caseInsensitive ? 1 : 0];
  if (!c) {
    icu::Locale locale = icu::Locale::getDefault();
    // The "C" locale of the environment has no language: use the root collation.
    if (std::strcmp(locale.getName(), "en_US_POSIX") == 0 ||
        std::strcmp(locale.getLanguage(), "c") == 0)
      locale = icu::Locale::getRoot();
    UErrorCode status = U_ZERO_ERROR;
    c.reset(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !c) {
      status = U_ZERO_ERROR;
      c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    if (U_FAILURE(status) || !c)
      throw EVexException(30045, "Unknown return code: %d", {int(status)});
    c->setStrength(caseInsensitive ? icu::Collator::SECONDARY : icu::Collator::TERTIARY);
    c->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, status);
  }
  return *c;
}

int CompareUnits(const char16_t* a, int32_t na, const char16_t* b, int32_t nb, bool ci) {
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r = Collator(ci).compare(a, na, b, nb, status);
  if (U_FAILURE(status)) throw EVexException(30045, "Unknown return code: %d", {int(status)});
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

bool CharsEqual(char16_t a, char16_t b, bool ci) {
  if (a == b) return true;
  if (a < 0x80 && b < 0x80) {
    // Two ASCII characters that differ are equal only as the same letter in another case.
    if (!ci) return false;
    const auto lower = [](char16_t c) { return c >= 'A' && c <= 'Z' ? char16_t(c + 32) : c; };
    return lower(a) == lower(b);
  }
  return CompareUnits(&a, 1, &b, 1, ci) == 0;
}

template <class CharT, class ToWide>
bool Like(std::basic_string_view<CharT> value, std::basic_string_view<CharT> pattern, bool escape,
          bool ci, CharT escapeChar, ToWide toWide) {
  const size_t n = value.size();
  const size_t m = pattern.size();
  // Straight matching from (p, v) up to the next '%': 1 success, 0 failure, 2 stopped at a
  // '%' (p then points at it and v < n).
  const auto run = [&](size_t& p, size_t& v) -> int {
    while (true) {
      if (m - p == 1 && pattern[p] == CharT('%')) return 1;
      if (v == n) return p == m ? 1 : 0;
      if (p == m) return 0;
      const CharT pc = pattern[p];
      if (pc == CharT('%')) return 2;
      if (pc != CharT('_')) {
        CharT literal = pc;
        if (escape && pc == escapeChar) {
          if (++p == m) return 0;  // an escape with nothing after it
          literal = pattern[p];
        }
        if (!CharsEqual(toWide(literal), toWide(value[v]), ci)) return 0;
      }
      ++p;
      ++v;
    }
  };
  // Each '%' tries the rest of the pattern from its value position and every later one. The
  // tries are kept on an explicit stack (no recursion depth for long patterns). A '%' that
  // failed from value position v fails from every later position too, so failFrom[p] keeps
  // the smallest such v and cuts later tries short: no exponential time with many '%'.
  struct Try {
    size_t p, start, from;
  };
  std::vector<Try> tries;
  std::vector<size_t> failFrom(m, SIZE_MAX);
  size_t p = 0, v = 0;
  while (true) {
    int r = run(p, v);
    if (r == 1) return true;
    if (r == 2) {
      if (v < failFrom[p]) {
        tries.push_back({p, v, v});
        ++p;
        continue;
      }
      r = 0;
    }
    // Failure: the innermost '%' moves on to its next value position.
    while (!tries.empty()) {
      Try& t = tries.back();
      if (++t.from < n && t.from < failFrom[t.p]) {
        p = t.p + 1;
        v = t.from;
        break;
      }
      failFrom[t.p] = std::min(failFrom[t.p], t.start);
      tries.pop_back();
    }
    if (tries.empty()) return false;
  }
}

template <class F>
std::u16string MapWide(std::u16string_view text, F map) {
  std::u16string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const char16_t c = out[i];
    if (U16_IS_LEAD(c) && i + 1 < out.size() && U16_IS_TRAIL(out[i + 1])) {
      const UChar32 cp = U16_GET_SUPPLEMENTARY(c, out[i + 1]);
      const UChar32 m = map(cp);
      if (U16_LENGTH(m) == 2) {
        out[i] = U16_LEAD(m);
        out[i + 1] = U16_TRAIL(m);
      }
      ++i;
    } else {
      const UChar32 m = map(c);
      if (U16_LENGTH(m) == 1) out[i] = char16_t(m);
    }
  }
  return out;
}

template <class F>
AnsiString MapAnsi(std::string_view text, F map) {
  AnsiString out(text);
  for (char& c : out) {
    const int b = WideCharToAnsi(char32_t(map(AnsiCharToWide(static_cast<unsigned char>(c)))));
    if (b >= 0) c = char(b);
  }
  return out;
}

}  // namespace

std::u16string AnsiToWide(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += AnsiCharToWide(static_cast<unsigned char>(c));
  return out;
}

AnsiString WideToAnsi(std::u16string_view text) {
  AnsiString out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (U16_IS_LEAD(c) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
      out += '?';
      ++i;
      continue;
    }
    const int b = WideCharToAnsi(c);
    out += b >= 0 ? char(b) : '?';
  }
  return out;
}

std::u16string Utf8ToWide(std::string_view text) {
  icu::UnicodeString u =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
  return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()), size_t(u.length()));
}

std::string WideToUtf8(std::u16string_view text) {
  icu::UnicodeString u(text.data(), int32_t(text.size()));
  std::string out;
  u.toUTF8String(out);
  return out;
}

AnsiString Utf8ToAnsi(std::string_view text) {
  return WideToAnsi(Utf8ToWide(text));
}
std::string AnsiToUtf8(std::string_view text) {
  return WideToUtf8(AnsiToWide(text));
}

int VexAnsiCompare(std::string_view a, std::string_view b, bool caseInsensitive, int count) {
  if (count >= 0) {
    a = a.substr(0, size_t(count));
    b = b.substr(0, size_t(count));
  }
  const std::u16string wa = AnsiToWide(a), wb = AnsiToWide(b);
  return CompareUnits(wa.data(), int32_t(wa.size()), wb.data(), int32_t(wb.size()),
                      caseInsensitive);
}

int VexWideCompare(std::u16string_view a, std::u16string_view b, bool caseInsensitive, int count) {
  if (count >= 0) {
    a = a.substr(0, size_t(count));
    b = b.substr(0, size_t(count));
  }
  return CompareUnits(a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), caseInsensitive);
}

AnsiString VexAnsiUpperCase(std::string_view text) {
  return MapAnsi(text, u_toupper);
}
AnsiString VexAnsiLowerCase(std::string_view text) {
  return MapAnsi(text, u_tolower);
}
std::u16string VexWideUpperCase(std::u16string_view text) {
  return MapWide(text, u_toupper);
}
std::u16string VexWideLowerCase(std::u16string_view text) {
  return MapWide(text, u_tolower);
}

bool VexAnsiLike(std::string_view value, std::string_view pattern, bool escapeEnabled,
                 bool caseInsensitive, char escapeChar) {
  return Like<char>(value, pattern, escapeEnabled, caseInsensitive, escapeChar,
                    [](char c) { return AnsiCharToWide(static_cast<unsigned char>(c)); });
}

bool VexWideLike(std::u16string_view value, std::u16string_view pattern, bool escapeEnabled,
                 bool caseInsensitive, char16_t escapeChar) {
  return Like<char16_t>(value, pattern, escapeEnabled, caseInsensitive, escapeChar,
                        [](char16_t c) { return c; });
}

std::string VexUniqueName(std::string_view prefix) {
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> number(0, 999999);
  return std::string(prefix) + std::to_string(number(generator));
}
