// The platform's own variant value (the kind of value a dataset field or parameter exchanges):
// a kind code with the conventional numbering and the value of that kind.
#pragma once

#include <cstdint>
#include <string>

enum TVarType : uint16_t {
  varEmpty = 0,
  varNull = 1,
  varSmallint = 2,
  varInteger = 3,
  varSingle = 4,
  varDouble = 5,
  varCurrency = 6,
  varDate = 7,
  varOleStr = 8,
  varDispatch = 9,
  varError = 10,
  varBoolean = 11,
  varVariant = 12,
  varUnknown = 13,
  varShortInt = 16,
  varByte = 17,
  varWord = 18,
  varLongWord = 19,
  varInt64 = 20,
  varString = 0x100,
};

struct TPlatformVariant {
  TPlatformVariant() = default;
  explicit TPlatformVariant(TVarType kind) : VType(kind) {}

  TVarType VType = varEmpty;
  int64_t Int = 0;      // the integer kinds
  double Float = 0;     // single, double, currency, date
  bool Bool = false;    // boolean
  std::string Ansi;     // varString (ANSI)
  std::u16string Wide;  // varOleStr

  static TPlatformVariant Null() { return TPlatformVariant(varNull); }
  static TPlatformVariant OfInt(TVarType kind, int64_t v) {
    TPlatformVariant r(kind);
    r.Int = v;
    return r;
  }
  static TPlatformVariant OfFloat(TVarType kind, double v) {
    TPlatformVariant r(kind);
    r.Float = v;
    return r;
  }
  static TPlatformVariant OfBool(bool v) {
    TPlatformVariant r(varBoolean);
    r.Bool = v;
    return r;
  }
  static TPlatformVariant OfString(std::string v) {
    TPlatformVariant r(varString);
    r.Ansi = std::move(v);
    return r;
  }
  static TPlatformVariant OfOleStr(std::u16string v) {
    TPlatformVariant r(varOleStr);
    r.Wide = std::move(v);
    return r;
  }
};
