// Prints everything the engine reads from a workbook (opened with the password after
// --password, when given) in a canonical line form, for comparison
// with another reader (the compare_with_*.py tools, through tab_lines.py):
//   BOOK <format> <date system> <active sheet index>
//   SHEET <index> <kind> <name>
//   CELL <sheet index> <row> <col> <kind> <value>   numbers as hexadecimal floats
//   NAME <full name> <scope> <builtin> <hidden> RANGE <sheet> <r1> <c1> <r2> <c2> | NOTRANGE <why>
//   ERROR <number> <description>   when the workbook cannot be opened
// Fields are tab-separated; tabs, line breaks and backslashes in texts are escaped.
#include <charconv>
#include <cstdio>
#include <string>

#include "runtime/error.h"
#include "spreadsheet/open_workbook.h"

using namespace sheaver;
using namespace sheaver::xl;

namespace {

std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    const char* e = c == '\\'   ? "\\\\"
                    : c == '\t' ? "\\t"
                    : c == '\n' ? "\\n"
                    : c == '\r' ? "\\r"
                                : nullptr;
    if (e)
      out += e;
    else
      out += c;
  }
  return out;
}

std::string HexFloat(double d) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::hex);
  return std::string(buf, r.ptr);
}

// The kinds in the order of Value::Kind.
const char* const kKindNames[] = {"empty", "number", "date", "text", "bool", "error"};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string_view(argv[2]) == "--password")) {
    std::fprintf(stderr, "usage: xls_dump WORKBOOK [--password TEXT]\n");
    return 2;
  }
  try {
    OpenOptions options;
    if (argc == 4) options.password = argv[3];
    auto book = OpenWorkbookFile(argv[1], options);
    std::printf("BOOK\t%s\t%s\t%zu\n", book->format.c_str(),
                book->date_system == DateSystem::k1904 ? "1904" : "1900", book->active_sheet);
    for (std::size_t i = 0; i < book->sheets.size(); ++i) {
      const SheetInfo& s = book->sheets[i];
      const char* kind = s.kind == SheetKind::kWorksheet    ? "worksheet"
                         : s.kind == SheetKind::kChart      ? "chart"
                         : s.kind == SheetKind::kMacroSheet ? "macro"
                                                            : "other";
      std::printf("SHEET\t%zu\t%s\t%s\n", i, kind, Escape(s.name).c_str());
    }
    for (const NameInfo& n : book->names) {
      std::printf("NAME\t%s\t%d\t%d\t%d\t", Escape(n.full_name).c_str(), n.scope_sheet, n.builtin,
                  n.hidden);
      if (n.target.is_range)
        std::printf("RANGE\t%u\t%u\t%u\t%u\t%u\n", n.target.sheet, n.target.area.first_row,
                    n.target.area.first_col, n.target.area.last_row, n.target.area.last_col);
      else
        std::printf("NOTRANGE\t%s\n", Escape(n.target.reason).c_str());
    }
    for (std::size_t i = 0; i < book->sheets.size(); ++i) {
      if (book->sheets[i].kind != SheetKind::kWorksheet) continue;
      const SheetCells& cells = book->Cells(i);
      cells.ForEach(book->strings, [&](std::uint32_t row, std::uint32_t col, const Value& v) {
        std::string value = v.kind == Value::Kind::kText || v.kind == Value::Kind::kError
                                ? Escape(v.text)
                                : HexFloat(v.number);
        std::printf("CELL\t%zu\t%u\t%u\t%s\t%s\n", i, row, col,
                    kKindNames[static_cast<int>(v.kind)], value.c_str());
      });
    }
  } catch (const Error& e) {
    std::printf("ERROR\t%d\t%s\n", e.Number(), Escape(e.Description()).c_str());
  }
  return 0;
}
