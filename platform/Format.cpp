// The format routine for message templates.
#include "platform/Format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/Exception.h"

namespace {

[[noreturn]] void Invalid(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

std::string Pad(std::string text, int width, bool left) {
  if (width > 0 && int(text.size()) < width) {
    std::string fill(size_t(width) - text.size(), ' ');
    text = left ? text + fill : fill + text;
  }
  return text;
}

// Digits with thousands separators for the 'n' and 'm' types.
std::string Group(const std::string& fixed) {
  size_t start = (!fixed.empty() && fixed[0] == '-') ? 1 : 0;
  size_t dot = fixed.find('.');
  size_t intEnd = dot == std::string::npos ? fixed.size() : dot;
  std::string out = fixed.substr(0, start);
  for (size_t i = start; i < intEnd; ++i) {
    out += fixed[i];
    size_t left = intEnd - i - 1;
    if (left > 0 && left % 3 == 0) out += ',';
  }
  return out + fixed.substr(intEnd);
}

}  // namespace

std::string Format(std::string_view fmt, std::initializer_list<TVarRec> argList) {
  std::vector<const TVarRec*> args;
  for (const TVarRec& a : argList) args.push_back(&a);
  size_t next = 0;
  auto take = [&](std::string_view f) -> const TVarRec& {
    if (next >= args.size()) Invalid(f);
    return *args[next++];
  };

  std::string out;
  size_t i = 0;
  while (i < fmt.size()) {
    char c = fmt[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index:]
    auto readNumber = [&](int& value) -> bool {
      if (i < fmt.size() && fmt[i] == '*') {
        const TVarRec& a = take(fmt);
        if (!a.IsInteger()) Invalid(fmt);
        value = int(a.AsInteger());
        ++i;
        return true;
      }
      bool any = false;
      value = 0;
      while (i < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[i]))) {
        if (value > 100000) Invalid(fmt);
        value = value * 10 + (fmt[i] - '0');
        ++i;
        any = true;
      }
      return any;
    };
    size_t save = i;
    int index = 0;
    bool haveIndex = false;
    while (i < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[i])) && index < 100000) {
      index = index * 10 + (fmt[i] - '0');
      ++i;
      haveIndex = true;
    }
    if (haveIndex && i < fmt.size() && fmt[i] == ':') {
      if (size_t(index) >= args.size()) Invalid(fmt);
      next = size_t(index);
      ++i;
    } else {
      i = save;
    }
    bool left = false;
    if (i < fmt.size() && fmt[i] == '-') {
      left = true;
      ++i;
    }
    int width = 0, precision = -1;
    readNumber(width);
    if (width < 0) {
      left = true;
      width = -width;
    }
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      int p = 0;
      readNumber(p);
      precision = p < 0 ? -1 : p;
    }
    if (i >= fmt.size()) Invalid(fmt);
    char type = char(std::tolower(static_cast<unsigned char>(fmt[i])));
    ++i;
    const TVarRec& a = take(fmt);
    std::string text;
    char buf[512];
    switch (type) {
      case 'd':
      case 'u': {
        if (!a.IsInteger()) Invalid(fmt);
        int64_t v = a.AsInteger();
        if (type == 'u') v = int64_t(uint32_t(v));
        bool neg = v < 0;
        std::string digits = std::to_string(neg ? uint64_t(0) - uint64_t(v) : uint64_t(v));
        if (precision > 0 && int(digits.size()) < precision)
          digits = std::string(size_t(precision) - digits.size(), '0') + digits;
        text = (neg ? "-" : "") + digits;
        break;
      }
      case 'x': {
        if (!a.IsInteger()) Invalid(fmt);
        std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(a.AsInteger()));
        text = buf;
        if (precision > 0 && int(text.size()) < precision)
          text = std::string(size_t(precision) - text.size(), '0') + text;
        break;
      }
      case 's': {
        if (!a.IsString()) Invalid(fmt);
        text = a.AsString();
        if (precision >= 0 && size_t(precision) < text.size()) text.resize(size_t(precision));
        break;
      }
      case 'f':
      case 'e':
      case 'g':
      case 'n':
      case 'm': {
        double v;
        if (a.IsFloat())
          v = a.AsFloat();
        else
          Invalid(fmt);
        if (precision > 200) precision = 200;
        if (type == 'e') {
          std::snprintf(buf, sizeof buf, "%.*E", precision < 0 ? 15 : precision, v);
        } else if (type == 'g') {
          std::snprintf(buf, sizeof buf, "%.*G", precision < 0 ? 15 : precision, v);
        } else if (!std::isfinite(v) || std::fabs(v) > 1e300) {
          std::snprintf(buf, sizeof buf, "%G", v);
        } else {
          std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 2 : precision, v);
        }
        text = buf;
        if (type == 'n' || type == 'm') text = Group(text);
        break;
      }
      case 'p': {
        if (!a.IsPointer()) Invalid(fmt);
        std::snprintf(buf, sizeof buf, "%016llX",
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(a.AsPointer())));
        text = buf;
        break;
      }
      default:
        Invalid(fmt);
    }
    out += Pad(std::move(text), width, left);
  }
  return out;
}
