// Value formatting: turns the text of one cell into the text of one field of the export data
// file, according to the field's format code in the form type.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/int16.h"
#include "runtime/locale.h"

namespace sheaver {

// The output text of a cell's text under a format code. A leading "+" (only one is removed) adds
// the record index to a number, or as whole days to a date. The rest, compared without regard
// to letter case, picks:
//   "text"                      the text quoted (QuoteText); the index is never added;
//   "0", "0.0", "0.00", "0.000" the text's leading number (0 when there is none; the locale's
//                               decimal separator counts as a point) rounded half away from
//                               zero to that many decimals, e.g. "12.35"; never "-0.00";
//   "dmy", "mdy", "ymd"         the text read as a date, written dd/mm/yyyy, mm/dd/yyyy (with
//                               the locale's date separator) or yyyymmdd, without the time;
//                               Type mismatch (13) for a text that is not a date, the empty
//                               text included; Overflow (6) when the index takes it out of
//                               the valid dates;
//   "iso"                       the same, written yyyy-mm-dd, with " hh:mm:ss" after it when
//                               the date has a time of day;
//   anything else               a free format pattern (runtime/format.h) applied to the text,
//                               letter case as written; the empty code gives the text as is.
// Overflow when a number is beyond the range of doubles or a pattern's result is too long.
std::string FormatValue(std::string_view cellText, std::string_view formatCode, Int16 recordIndex,
                        const Locale& locale = CurrentLocale());

// What a format code writes, for a data file that keeps types: text, a whole number (code "0"),
// a number with decimals, a date, or a free pattern's text.
enum class CodeKind { kText, kInteger, kDecimal, kDate, kPattern };
CodeKind KindOfCode(std::string_view formatCode);

// Whether the code (with or without its "+") is the "text" code, whose output is already a
// quoted field.
bool IsTextCode(std::string_view formatCode);

// The most characters a field's text may have.
inline constexpr std::size_t kMaxFieldCharacters = 32767;

// The text enclosed in double quotes with every double quote inside doubled; nothing else is
// escaped. Overflow (6), saying the text is too long for a field, for a text of more than
// kMaxFieldCharacters characters.
std::string QuoteText(std::string_view text);

}  // namespace sheaver
