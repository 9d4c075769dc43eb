// The date format engine.
#include "engine/base/VexDateFormat.h"

#include <cctype>
#include <cstdio>

#include "engine/base/VexExcept.h"
#include "engine/base/VexFormatSettings.h"

namespace {

constexpr const char* kKeywords[26] = {
    "YYYY", "YY", "YEAR", "Q",    "MONTH", "MON", "MM",  "M", "RM", "DDD", "DD", "DAY", "DY",
    "DW",   "D",  "HH12", "HH24", "HH",    "H12", "H24", "H", "NN", "N",   "SS", "S",   "AMPM"};
constexpr size_t kLongestKeyword = 5;

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = char(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::string Pad(int v, int width) {
  char b[16];
  std::snprintf(b, sizeof b, "%0*d", width, v);
  return b;
}

int ToInt(std::string_view text) {
  const auto v = TryStrToInt(text);
  if (!v) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return *v;
}

}  // namespace

TDateFormater::TDateFormater(std::string_view format) {
  std::string pending;  // text since the previous token
  const auto flush = [&] {
    if (!pending.empty()) Tokens_.push_back({dftLiteral, pending});
    pending.clear();
  };
  size_t pos = 0;
  while (pos < format.size()) {
    const char c = format[pos];
    if (c == '\'' || c == '"') {
      const size_t end = format.find(c, pos + 1);
      const size_t stop = end == std::string_view::npos ? format.size() : end;
      pending += format.substr(pos + 1, stop - pos - 1);
      pos = end == std::string_view::npos ? format.size() : end + 1;
      continue;
    }
    bool found = false;
    for (size_t len = std::min(kLongestKeyword, format.size() - pos); len >= 1 && !found; --len) {
      const std::string piece = Upper(format.substr(pos, len));
      for (uint8_t k = 0; k < 26; ++k) {
        if (piece == kKeywords[k]) {
          flush();
          Tokens_.push_back({k, std::string(format.substr(pos, len))});
          pos += len;
          found = true;
          break;
        }
      }
    }
    if (!found) pending += format[pos++];
  }
  flush();
}

std::string TDateFormater::Format(TDateTime value) const {
  static const char* const kRoman[12] = {"I",   "II",   "III", "IV", "V",  "VI",
                                         "VII", "VIII", "IX",  "X",  "XI", "XII"};
  int y, m, d, h, n, s, ms;
  DecodeDate(value, y, m, d);
  DecodeTime(value, h, n, s, ms);
  const TVexFormatSettings& fs = VexFormatSettings();
  const int sundayBased = IsoDayOfWeek(value) % 7;  // 0 = Sunday
  std::string out;
  for (const TDateFormatToken& t : Tokens_) {
    switch (t.Kind) {
      case dftYYYY:
      case dftYEAR:
        out += Pad(y, 4);
        break;
      case dftYY:
        out += Pad(y % 100, 2);
        break;
      case dftQ:
        out += std::to_string((m - 1) / 3 + 1);
        break;
      case dftMONTH:
        out += fs.LongMonthNames[size_t(m - 1)];
        break;
      case dftMON:
        out += fs.ShortMonthNames[size_t(m - 1)];
        break;
      case dftMM:
        out += Pad(m, 2);
        break;
      case dftM:
        out += std::to_string(m);
        break;
      case dftRM:
        out += kRoman[m - 1];
        break;
      case dftDDD:
        out += fs.ShortDayNames[size_t(sundayBased)];
        break;
      case dftDAY:
        out += fs.LongDayNames[size_t(sundayBased)];
        break;
      case dftDD:
        out += Pad(d, 2);
        break;
      case dftD:
        out += std::to_string(d);
        break;
      case dftDY:
        out += std::to_string(DayOfYear(value));
        break;
      case dftDW:
        out += std::to_string(IsoDayOfWeek(value));
        break;
      case dftHH12:
      case dftHH:
        out += Pad(h % 12, 2);
        break;
      case dftH12:
      case dftH:
        out += std::to_string(h % 12);
        break;
      case dftHH24:
        out += Pad(h, 2);
        break;
      case dftH24:
        out += std::to_string(h);
        break;
      case dftNN:
        out += Pad(n, 2);
        break;
      case dftN:
        out += std::to_string(n);
        break;
      case dftSS:
        out += Pad(s, 2);
        break;
      case dftS:
        out += std::to_string(s);
        break;
      case dftAMPM:
        out += h >= 12 ? "PM" : "AM";
        break;
      case dftLiteral:
        out += t.Text;
        break;
      default:
        throw Exception("Unknown DateFormatType");
    }
  }
  return out;
}

TDateTime TDateFormater::Parse(std::string_view text) const {
  int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0;
  size_t pos = 0;
  const auto take = [&](size_t count) {
    const std::string_view piece = pos < text.size() ? text.substr(pos, count) : std::string_view();
    pos += count;
    return piece;
  };
  // One character when the one after it is not a digit, otherwise two.
  const auto takeShort = [&] {
    const bool two =
        pos + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[pos + 1]));
    return ToInt(take(two ? 2 : 1));
  };
  for (const TDateFormatToken& t : Tokens_) {
    switch (t.Kind) {
      case dftYYYY:
      case dftYEAR:
        y = ToInt(take(4));
        break;
      case dftYY: {
        const int v = ToInt(take(2));
        y = v < 30 ? 2000 + v : 1900 + v;
        break;
      }
      case dftQ:
        m = 3 * (ToInt(take(1)) - 1);
        break;
      case dftMM:
        m = ToInt(take(2));
        break;
      case dftDD:
        d = ToInt(take(2));
        break;
      case dftHH24:
        h = ToInt(take(2));
        break;
      case dftNN:
        n = ToInt(take(2));
        break;
      case dftSS:
        s = ToInt(take(2));
        break;
      case dftM:
        m = takeShort();
        break;
      case dftD:
        d = takeShort();
        break;
      case dftHH12:
      case dftHH:
      case dftH24:
        h = takeShort();
        break;
      case dftN:
        n = takeShort();
        break;
      case dftS:
        s = takeShort();
        break;
      case dftAMPM: {
        const std::string word(take(2));
        const std::string upper = Upper(word);
        if (upper == "PM")
          h += 12;
        else if (upper != "AM")
          throw EVexException(30129, "AM/PM word expected, but '%s' found", {word});
        break;
      }
      default:
        take(t.Text.size());
        break;
    }
  }
  TDateTime date = 0;
  if (y != 0 && m != 0 && d != 0 && !TryEncodeDate(y, m, d, date))
    throw EConvertError("Invalid argument to date encode");
  TDateTime time;
  if (!TryEncodeTime(h, n, s, 0, time)) throw EConvertError("Invalid argument to time encode");
  return date + time;
}

int32_t TDateFormater::EstimatedLength() const {
  int32_t length = 0;
  for (const TDateFormatToken& t : Tokens_) {
    switch (t.Kind) {
      case dftYYYY:
      case dftYEAR:
      case dftRM:
        length += 4;
        break;
      case dftQ:
        length += 1;
        break;
      case dftMONTH:
        length += 9;
        break;
      case dftMON:
      case dftDDD:
        length += 3;
        break;
      case dftDAY:
        length += 12;
        break;
      case dftLiteral:
        length += int32_t(t.Text.size());
        break;
      default:
        length += 2;
        break;
    }
  }
  return length;
}

TVexDataType TDateFormater::ResultType() const {
  bool hasDate = false, hasTime = false;
  for (const TDateFormatToken& t : Tokens_) {
    if (t.Kind <= dftD)
      hasDate = true;
    else if (t.Kind <= dftAMPM)
      hasTime = true;
  }
  if (hasDate && !hasTime) return vdtDate;
  if (hasTime && !hasDate) return vdtTime;
  return vdtDateTime;
}
