// Reading the small texts that .xlsx and .ods parts carry in elements and attributes: numbers,
// dates and durations, cell references, error codes, and the formulas of defined names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/date.h"
#include "spreadsheet/model.h"

namespace sheaver::xl {

// Rows and columns of a sheet in the .xlsx and .ods formats.
inline constexpr std::uint32_t kPackageMaxRows = 1048576;
inline constexpr std::uint32_t kPackageMaxCols = 16384;

// Decodes the _xHHHH_ escapes with which a workbook writes characters XML cannot carry
// ("_x000D_" is a carriage return, "_x005F_" an underscore); a pair of escaped UTF-16
// surrogates becomes one character; anything not of that exact shape is kept as it is.
std::string DecodeEscapes(std::string_view text);

// A decimal number as XML writes it ("12", "-1.5E-3", " 7 "); nullopt for anything else,
// infinities and NaN included.
std::optional<double> ParseXmlNumber(std::string_view text);

// The date serial (1900 date system, see Value) of a date value counted from 30 December 1899:
// the same number from 1 March 1900 on, one less before it (the serials count a 29 February
// 1900, so 1 January 1900 is serial 1, date value 2); values below 1 (times of day, dates before
// 1900) are kept as they are.
double DateValueToSerial(DateValue date);

// An ISO 8601 date, date and time, or time of day ("2024-01-31", "2024-01-31T08:30:00.5",
// "T08:30", "08:30:00"), a time zone after it ignored, as a date serial; nullopt when it does
// not read as one or lies outside 1 January 100 .. 31 December 9999.
std::optional<double> ParseIsoDateTime(std::string_view text);

// An ISO 8601 duration of days, hours, minutes and seconds ("PT10H10M10.5S", "P1DT2H",
// "-PT30M") in days; nullopt for anything else (years and months included).
std::optional<double> ParseDuration(std::string_view text);

// A cell reference of the form "B12" or "b12" (no "$", no sheet) as 0-based row and column; false
// for anything else or a cell outside a 1048576 x 16384 sheet.
bool ParseCellName(std::string_view text, std::uint32_t& row, std::uint32_t& col);

// The code under which the model stores an error value written as text ("#DIV/0!" is 0x07);
// 0x2A (#N/A) for an error text without a code.
std::uint8_t ErrorCodeOf(std::string_view text);

// Whether a text is one of the error values a cell can hold ("#DIV/0!", "#N/A", ...).
bool IsErrorText(std::string_view text);

// The index of a sheet by name, exactly or else without regard to case; -1 when none has it.
int FindSheet(const std::vector<SheetInfo>& sheets, std::string_view name);

// What the formula of an .xlsx defined name stands for ("Sheet1!$A$1:$B$3", "'My Sheet'!$C:$C"):
// one area of one worksheet, or not a range with the reason (a constant, a formula, several
// areas, #REF!, another workbook, a missing sheet, several sheets).
NameTarget ResolveA1Target(std::string_view formula, const std::vector<SheetInfo>& sheets);

// What an ODF cell range address stands for ("$Sheet1.$A$1:.$B$2", "'My Sheet'.A1",
// "$Sheet1.$A$1:$Sheet1.$A$1048576"); a range without a sheet is taken on `default_sheet`
// (-1: none).
NameTarget ResolveOdfRange(std::string_view address, const std::vector<SheetInfo>& sheets,
                           int default_sheet);

// What an ODF named expression stands for: a range when it is a single reference
// ("of:=[$Sheet1.$A$1:.$B$2]", "msoxl:=Sheet1!$A$1"), otherwise not a range with the reason.
NameTarget ResolveOdfExpression(std::string_view expression, const std::vector<SheetInfo>& sheets,
                                int default_sheet);

}  // namespace sheaver::xl
