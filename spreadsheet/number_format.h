// What a cell's number format says about its value, whatever the workbook format: whether it
// shows a date, a time or a duration. Binary workbooks and .xlsx workbooks share the format codes
// and the numbers of the built-in formats.
#pragma once

#include <cstdint>
#include <string_view>

namespace sheaver::xl {

// Whether a number format code shows a date or a time: it has a day, month, year, hour or
// second part outside quoted text, escapes and [brackets], and no more digit placeholders than
// date parts ("General", "@" and "0.00" are not; "d/m/yy", "[h]:mm", "yyyy-mm-dd" are).
bool IsDateFormat(std::string_view code);

// Whether a built-in number format (one a workbook uses without defining it) is a date or time
// format: 14-22, 45-47, and the East Asian date formats 27-36, 50-58 and 71-81.
bool IsBuiltinDateFormat(std::uint16_t id);

// Whether a number format code shows a duration: its first section has an elapsed-time part
// ([h], [mm], [ss]) outside quoted text. Such a value is a length of time, which the workbook's
// date system does not shift.
bool IsElapsedTimeFormat(std::string_view code);

// What a number format shows: a plain number, a date or time (which the workbook's date system
// places), or a duration (a length of time, which it does not).
enum class Shows : std::uint8_t { kNumber, kDate, kDuration };

// What a number format code shows, by the two rules above.
Shows FormatShows(std::string_view code);

// What a built-in number format shows, for a format id a workbook uses without defining it: 46
// ([h]:mm:ss) a duration, the ids IsBuiltinDateFormat names a date, every other id a number.
Shows BuiltinFormatShows(std::uint32_t id);

// The code of a built-in number format, for a format id a workbook uses without defining it:
// "0.00" for 2, "mm-dd-yy" for 14; "" for the ids whose code depends on the application's
// locale (currency, East Asian dates) and for ids that are not built in.
std::string_view BuiltinFormatCode(std::uint32_t id);

}  // namespace sheaver::xl
