// Reading the user's formatting conventions from the environment's locale.
#include "engine/base/VexFormatSettings.h"

#include <langinfo.h>
#include <locale.h>

#include "engine/base/VexStrUtils.h"

TVexFormatSettings VexLocaleFormatSettings() {
  TVexFormatSettings s;
  locale_t loc = newlocale(LC_ALL_MASK, "", locale_t(0));
  if (!loc) loc = newlocale(LC_ALL_MASK, "C", locale_t(0));
  if (!loc) return s;
  const auto text = [&](nl_item item) { return Utf8ToAnsi(nl_langinfo_l(item, loc)); };
  const std::string radix = text(RADIXCHAR);
  if (radix.size() == 1) s.DecimalSeparator = radix[0];
  const nl_item abmon[] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                           ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
  const nl_item mon[] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                         MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
  for (int i = 0; i < 12; ++i) {
    s.ShortMonthNames[size_t(i)] = text(abmon[i]);
    s.LongMonthNames[size_t(i)] = text(mon[i]);
  }
  const nl_item abday[] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7};
  const nl_item day[] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
  for (int i = 0; i < 7; ++i) {
    s.ShortDayNames[size_t(i)] = text(abday[i]);
    s.LongDayNames[size_t(i)] = text(day[i]);
  }
  freelocale(loc);
  return s;
}

TVexFormatSettings& VexFormatSettings() {
  static TVexFormatSettings settings = VexLocaleFormatSettings();
  return settings;
}
