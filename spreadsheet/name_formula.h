// The formula of a defined name in a binary workbook (BIFF2-BIFF8), evaluated as a reference
// expression: cell and area references of the name's own sheet or of a sheet of the workbook,
// other names, and the reference operators range (":"), union (",") and intersection (" ").
// Anything else (a constant, a function, a reference to another workbook or to deleted cells)
// is not a reference, and the evaluation says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "spreadsheet/model.h"

namespace sheaver::xl {

// The record layouts of the binary workbook versions the reader tells apart.
enum class Biff { k2, k3, k4, k5, k8 };

// A NAME record as read: flags, the sheet it belongs to and its formula's tokens.
struct RawName {
  std::uint16_t flags = 0;
  std::uint16_t scope_tab = 0;  // 1-based sheet index, 0 for the workbook
  std::string name;
  std::vector<std::uint8_t> formula;
  std::uint64_t offset = 0;
};

// An EXTERNSHEET entry (BIFF8): the external book and the first and last sheet it refers to.
struct Xti {
  std::uint16_t supbook;
  std::uint16_t first;
  std::uint16_t last;
};

// An area of one sheet of the workbook, by the sheet's index.
struct SheetArea {
  std::uint32_t sheet;
  Area area;
};

// What a name's formula may refer to: the workbook's names (in record order), its EXTERNSHEET
// entries, which external books are the workbook itself, how many sheets it has, and the sheet
// that references without a sheet are on when the name belongs to none (-1: no such sheet; the
// one sheet of an Excel 2.x-4.x worksheet).
struct NameFormulaContext {
  Biff biff = Biff::k8;
  const std::vector<RawName>* names = nullptr;
  const std::vector<Xti>* xti = nullptr;
  const std::vector<bool>* supbook_internal = nullptr;
  std::size_t sheet_count = 0;
  int default_sheet = -1;
};

// Evaluates the formula of `name`, which belongs to sheet `scope` (-1 for the workbook): fills
// `out` with the areas it stands for and returns true, or returns false with the reason it is
// not a reference in `why` ("it is a constant"). Names that refer to each other more than 16
// deep are a loop. Raises 1005 for a formula whose tokens run past its end.
bool EvaluateNameFormula(const NameFormulaContext& context, const RawName& name, int scope,
                         std::vector<SheetArea>& out, std::string& why);

}  // namespace sheaver::xl
