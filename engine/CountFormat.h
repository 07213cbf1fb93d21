// Byte counts as the status page shows them: the value without decimals, its digits grouped
// by three with the user's thousands separator, right-aligned in 15 characters, so that
// 131072 reads "        131,072". Text is Shift_JIS.
#pragma once

#include <string>

// The count with the user's thousands separator.
std::string FormatCount(double value);

// The count with the given separator (Shift_JIS bytes). The value is rounded half away from
// zero; a value wider than 15 characters is shown in full.
std::string FormatCount(double value, const std::string& separator);

// The count with "," between groups and no padding ("2,097,152"), for the causes of failures.
std::string PlainCount(double value);

// The thousands separator of the user's numeric locale (from LC_ALL, LC_NUMERIC, LANG), read
// once. "," when the locale names none or cannot be loaded.
const std::string& UserThousandsSeparator();

// The thousands separator of the named locale ("" is the user's), as Shift_JIS.
std::string ThousandsSeparatorOf(const std::string& localeName);

// A locale's separator (in the locale's codeset) as Shift_JIS: "," when empty or when it has no
// Shift_JIS form; the Unicode spaces that some locales group with become a blank.
std::string SeparatorAsSjis(const std::string& separator, const std::string& codeset);
