// Fuzz target: a whole workbook opened from memory (compound file or bare BIFF stream, an
// encrypted one decrypted first), every cell of every sheet read and turned into text, every
// name resolved, and the workbook interface asked for a few ranges. Only the engine's Error may
// come out.
#include <cstdint>
#include <vector>

#include "runtime/error.h"
#include "spreadsheet/open_workbook.h"
#include "spreadsheet/workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sheaver;
  using namespace sheaver::xl;
  std::shared_ptr<WorkbookModel> book;
  try {
    // The encrypted seeds' password, so that their decryption is fuzzed too (Excel's default
    // password is tried after it).
    OpenOptions options;
    options.password = "password";
    book = OpenWorkbookBytes(std::vector<std::uint8_t>(data, data + size), "fuzz.xls", options);
  } catch (const Error&) {
    return 0;
  }
  for (std::size_t i = 0; i < book->sheets.size(); ++i) {
    try {
      book->Cells(i).ForEach(book->strings, [](std::uint32_t, std::uint32_t, const Value& v) {
        try {
          (void)ValueToText(v);
        } catch (const Error&) {
        }
      });
    } catch (const Error&) {
    }
  }
  Workbook workbook(book);
  for (const DefinedName& name : workbook.GetNames()) {
    try {
      (void)name.GetName();
      Range r = name.RefersToRange();
      (void)r.Rows().Count();
      (void)r.Columns().Item(1).Value();
    } catch (const Error&) {
    }
  }
  for (const char* ref : {"A1", "B2:C7", "A:A", "3:5", "Print_Area"}) {
    try {
      Range r = workbook.ActiveSheet().GetRange(ref);
      (void)r.Rows().Count();
      (void)ValueToText(r.Rows().Item(1).Columns().Item(1).Value());
    } catch (const Error&) {
    }
  }
  return 0;
}
