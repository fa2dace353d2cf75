// Reading the reference texts a sheet accepts: A1-style cells and rectangles, whole columns and
// whole rows, optionally after a sheet name; anything else may be a defined name. And writing
// cells and rectangles back in A1 style.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "spreadsheet/model.h"

namespace sheaver::xl {

struct ParsedReference {
  bool has_sheet = false;
  std::string sheet;  // the sheet before "!", unquoted
  // Set when the text is a cell, rectangle, column or row range; otherwise `name` is set.
  std::optional<Area> area;
  std::string name;
};

// Splits "Sheet!rest" or "'My Sheet'!rest" and reads the rest as an area on a sheet of
// max_rows x max_cols: "B2", "$B$2", "B$2:$C7" (corners in any order), "A:A", "$B:D", "3:5";
// letters in any case. Text that is not an area but has the form of a defined name comes back
// in `name`. Returns nullopt for anything else: empty text, "A0", a column past the last one,
// a row past the last one, stray characters.
std::optional<ParsedReference> ParseReference(std::string_view text, std::uint32_t max_rows,
                                              std::uint32_t max_cols);

// The letters of a column counted from 0: "A" for 0, "Z" for 25, "AA" for 26, "IV" for 255.
std::string ColumnLetters(std::uint32_t col);

// An area in A1 style: "B2" for one cell, "C6:C12" for a rectangle (top left first); with
// `absolute` every part gets a "$" ("$B$2", "$C$6:$C$12"). ParseReference reads both back.
std::string AreaText(const Area& area, bool absolute = false);

}  // namespace sheaver::xl
