// The user's formatting conventions (decimal separator, month and weekday names), taken from
// the process environment's locale on first use. Texts are ANSI (Windows-1252).
#pragma once

#include <array>
#include <string>

struct TVexFormatSettings {
  char DecimalSeparator = '.';
  std::array<std::string, 12> ShortMonthNames;
  std::array<std::string, 12> LongMonthNames;
  std::array<std::string, 7> ShortDayNames;  // [0] = Sunday
  std::array<std::string, 7> LongDayNames;   // [0] = Sunday
};

// The process-wide settings (changeable, for instance by tests).
TVexFormatSettings& VexFormatSettings();
// Settings read from the user's locale in the environment.
TVexFormatSettings VexLocaleFormatSettings();
