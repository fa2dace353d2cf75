// The --cells listing of a workbook: its sheets, defined names and the cells of the active sheet,
// a named sheet or every sheet, as tab-separated text lines or as one JSON document.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace sheaver::cli {

struct CellsChoice {
  std::optional<std::string> sheet;  // list this sheet's cells (its name, letter case ignored)
  bool allSheets = false;            // list every sheet's cells
  bool json = false;                 // one JSON document instead of the text lines
};

// Writes the listing. Text lines as WriteCells (cli_tool.h) describes them; with all sheets
// each cell's address is qualified by its sheet ("Extra!B2"). JSON:
//   {"workbook": file name, "format": the file's kind,
//    "sheets": [{"index", "name", "active", "chart": true (chart sheets only),
//                "cells": [...] (listed sheets only)}],
//    "names": [{"name", "refers_to" or "error"}],
//    "warnings": [the repairs made while reading, as texts]}
// with each cell {"address", "type" (number, date, text, boolean, error), "value" (a number, a
// boolean, the text, the error code, or the date as yyyy-mm-dd[Thh:mm:ss]), "text" (what the
// extraction reads)}. A sheet name that is not there raises Subscript out of range (9) naming
// it; an unreadable workbook raises its error. Each repair made while reading (damage read past)
// is written to `warnings`, unless it is null, as "warning: <file name>: <repair>", also when an
// error ends the listing.
void ListCells(const std::string& workbookPath, const CellsChoice& choice, std::FILE* out,
               std::FILE* warnings);

}  // namespace sheaver::cli
