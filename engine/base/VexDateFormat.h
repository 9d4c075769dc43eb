// The date format engine: a format text ("YYYY-MM-DD HH24:NN:SS", quoted literals) split into
// tokens, used to format date-time values as text and to parse texts back into values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/base/VexConverts.h"
#include "engine/base/VexTypes.h"

// Token kinds 0..25 in keyword order, 26 a literal.
enum TDateFormatType : uint8_t {
  dftYYYY,
  dftYY,
  dftYEAR,
  dftQ,
  dftMONTH,
  dftMON,
  dftMM,
  dftM,
  dftRM,
  dftDDD,
  dftDD,
  dftDAY,
  dftDY,
  dftDW,
  dftD,
  dftHH12,
  dftHH24,
  dftHH,
  dftH12,
  dftH24,
  dftH,
  dftNN,
  dftN,
  dftSS,
  dftS,
  dftAMPM,
  dftLiteral
};

struct TDateFormatToken {
  uint8_t Kind;
  std::string Text;  // the keyword as written, or the literal text
};

class TDateFormater {
 public:
  explicit TDateFormater(std::string_view format);
  // Tokens may also be set directly (for instance from a stored form).
  explicit TDateFormater(std::vector<TDateFormatToken> tokens) : Tokens_(std::move(tokens)) {}

  const std::vector<TDateFormatToken>& Tokens() const { return Tokens_; }
  // The value as text; a token kind above 26 raises "Unknown DateFormatType".
  std::string Format(TDateTime value) const;
  // Reads a text by the format (30129 for a missing AM/PM word).
  TDateTime Parse(std::string_view text) const;
  // Estimated length of formatted texts (to size result columns).
  int32_t EstimatedLength() const;
  // vdtDate for date tokens only, vdtTime for time tokens only, vdtDateTime otherwise.
  TVexDataType ResultType() const;

 private:
  std::vector<TDateFormatToken> Tokens_;
};
