// Reading the cells of one sheet substream of a binary workbook, and what that needs from the
// workbook globals: the sheet reader's half of the BIFF reader (biff_reader.h has the globals'
// half and the entry points).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/biff_records.h"
#include "spreadsheet/model.h"
#include "spreadsheet/name_formula.h"
#include "spreadsheet/number_format.h"
#include "spreadsheet/text_decode.h"

namespace sheaver::xl {

// What a sheet needs from the globals to read its cells.
struct Globals {
  Biff biff = Biff::k8;
  std::uint16_t code_page = 1252;
  bool date1904 = false;
  std::vector<Shows> xf_shows;               // per XF index
  std::vector<std::uint16_t> xf_format;      // per XF index: its code in the NumberFormatTable
  std::uint32_t sst_count = 0;               // shared strings are indexes 0..sst_count-1
  std::vector<std::uint32_t> sheet_offsets;  // where each sheet's BOF record is
  // Per sheet: empty, or why its records cannot be found (raised when the sheet is read).
  std::vector<std::string> sheet_damage;
};

// A text field: BIFF8 with its option byte (count given), before BIFF8 in the code page.
void ReadText(SegmentReader& r, Biff biff, const CodePage& cp, std::uint32_t count,
              std::string& out);

// Adds a repair line for each empty CONTINUE record the reader passed over in `what`'s text
// ("sheet 'Data': cell B3"), after the first `from` (for a record of several texts).
void NoteSkipped(const SegmentReader& s, std::string_view what, std::string_view where,
                 std::vector<std::string>& repairs, std::size_t from = 0);

// Reads the cells of the sheet whose BOF record is at `offset` of `stream` into `cells` (texts
// into `strings`, repairs made in `repairs`, `sheet` naming it there: "sheet 'Data'"), columns
// from max_cols on left out. release_behind: nothing before the record being read is needed
// again, so the stream's memory before it is given back as the reading goes on. Raises 1005
// for damage the reader cannot read past.
void ReadSheetCells(const Globals& g, const CodePage& cp, std::span<const std::uint8_t> stream,
                    const std::string& where, SheetCells& cells, StringTable& strings,
                    std::uint32_t max_cols, std::string sheet, std::vector<std::string>& repairs,
                    std::size_t offset, bool release_behind);

}  // namespace sheaver::xl
