#include "spreadsheet/name_formula.h"

#include <algorithm>
#include <utility>

#include "spreadsheet/byte_cursor.h"

namespace sheaver::xl {
namespace {

// Formula tokens, by their base number: the class bits (reference, value, array) of an operand
// token folded into the reference class 0x20.
namespace ptg {
constexpr std::uint8_t kIntersection = 0x0F;
constexpr std::uint8_t kUnion = 0x10;
constexpr std::uint8_t kRange = 0x11;
constexpr std::uint8_t kParentheses = 0x15;
constexpr std::uint8_t kStr = 0x17;
constexpr std::uint8_t kErr = 0x1C;
constexpr std::uint8_t kBool = 0x1D;
constexpr std::uint8_t kInt = 0x1E;
constexpr std::uint8_t kNum = 0x1F;
constexpr std::uint8_t kArray = 0x20;
constexpr std::uint8_t kName = 0x23;
constexpr std::uint8_t kRef = 0x24;
constexpr std::uint8_t kArea = 0x25;
constexpr std::uint8_t kMemArea = 0x26;
constexpr std::uint8_t kMemErr = 0x27;
constexpr std::uint8_t kMemNoMem = 0x28;
constexpr std::uint8_t kMemFunc = 0x29;
constexpr std::uint8_t kRefErr = 0x2A;
constexpr std::uint8_t kAreaErr = 0x2B;
constexpr std::uint8_t kRefN = 0x2C;
constexpr std::uint8_t kAreaN = 0x2D;
constexpr std::uint8_t kNameX = 0x39;
constexpr std::uint8_t kRef3d = 0x3A;
constexpr std::uint8_t kArea3d = 0x3B;
constexpr std::uint8_t kRefErr3d = 0x3C;
constexpr std::uint8_t kAreaErr3d = 0x3D;
}  // namespace ptg

// Names that refer to names deeper than this are taken for a loop.
constexpr int kMaxNameDepth = 16;

Area Normalised(Area a) {
  if (a.first_row > a.last_row) std::swap(a.first_row, a.last_row);
  if (a.first_col > a.last_col) std::swap(a.first_col, a.last_col);
  return a;
}

// One evaluation of one name's formula: a stack of operands, each a list of areas.
class Evaluation {
 public:
  Evaluation(const NameFormulaContext& context, const RawName& name, int scope, int depth,
             std::string& why)
      : ctx_(context),
        b8_(context.biff == Biff::k8),
        cursor_(name.formula, "defined name formula"),
        scope_(scope),
        depth_(depth),
        why_(why) {}

  bool Run(std::vector<SheetArea>& out) {
    while (!cursor_.AtEnd())
      if (!Token()) return false;
    if (stack_.size() != 1)
      return Fail(stack_.empty() ? "it is an empty expression" : "it is a formula");
    out = std::move(stack_.back());
    return true;
  }

 private:
  bool Fail(std::string why) {
    why_ = std::move(why);
    return false;
  }

  bool Token() {
    const std::uint8_t token = cursor_.U8();
    std::uint8_t base = token < 0x20 ? token : static_cast<std::uint8_t>((token & 0x1F) | 0x20);
    // Excel 2.x-4.x write the references of a name as ptgRefN and ptgAreaN, of the same layout.
    if (ctx_.default_sheet >= 0 && (base == ptg::kRefN || base == ptg::kAreaN))
      base = static_cast<std::uint8_t>(base - (ptg::kRefN - ptg::kRef));
    switch (base) {
      case ptg::kMemArea:  // announce a reference expression: their sizes only
      case ptg::kMemNoMem:
        cursor_.Skip(ctx_.biff == Biff::k2 ? 4 : 6);
        return true;
      case ptg::kMemFunc:
        cursor_.Skip(ctx_.biff == Biff::k2 ? 1 : 2);
        return true;
      case ptg::kParentheses:
        return true;
      case ptg::kRef3d:
      case ptg::kArea3d:
        return Reference3d(base == ptg::kArea3d);
      case ptg::kRef:  // cells of the name's own sheet
      case ptg::kArea:
        return OwnSheetReference(base == ptg::kArea);
      case ptg::kName:
        return Name();
      case ptg::kNameX:
        return ExternalName();
      case ptg::kIntersection:
      case ptg::kUnion:
      case ptg::kRange:
        return Operator(base);
      case ptg::kRefErr:
      case ptg::kAreaErr:
      case ptg::kRefErr3d:
      case ptg::kAreaErr3d:
      case ptg::kMemErr:
        return Fail("it refers to deleted cells (#REF!)");
      case ptg::kStr:
      case ptg::kErr:
      case ptg::kBool:
      case ptg::kInt:
      case ptg::kNum:
        return Fail("it is a constant");
      case ptg::kArray:
        return Fail("it is an array constant");
      default:
        return Fail("it is a formula");
    }
  }

  std::uint32_t Row() { return b8_ ? std::uint32_t{cursor_.U16()} : (cursor_.U16() & 0x3FFFu); }
  std::uint32_t Col() { return b8_ ? (cursor_.U16() & 0x3FFFu) : std::uint32_t{cursor_.U8()}; }

  // The cells of a reference operand: a cell (row, column) or an area (first and last row, then
  // first and last column).
  Area Cells(bool area) {
    Area a;
    if (area) {
      a.first_row = Row();
      a.last_row = Row();
      a.first_col = Col();
      a.last_col = Col();
    } else {
      a.first_row = a.last_row = Row();
      a.first_col = a.last_col = Col();
    }
    return a;
  }

  bool OwnSheetReference(bool area) {
    const Area a = Cells(area);
    const int sheet = scope_ >= 0 ? scope_ : ctx_.default_sheet;
    if (sheet < 0) return Fail("it refers to cells of no particular sheet");
    stack_.push_back({{static_cast<std::uint32_t>(sheet), a}});
    return true;
  }

  // A reference with its sheet: through an EXTERNSHEET entry (BIFF8), or with the external
  // book and the sheet numbers in the token (BIFF5).
  bool Reference3d(bool area) {
    if (ctx_.default_sheet >= 0) return Fail("it is a formula");  // a worksheet has no others
    std::uint16_t first, last;
    if (b8_) {
      const std::uint16_t ixti = cursor_.U16();
      if (ixti >= ctx_.xti->size()) return Fail("it refers to an unknown sheet");
      const Xti& x = (*ctx_.xti)[ixti];
      if (x.supbook < ctx_.supbook_internal->size() && !(*ctx_.supbook_internal)[x.supbook])
        return Fail("it refers to another workbook");
      first = x.first;
      last = x.last;
    } else {
      const auto ixals = static_cast<std::int16_t>(cursor_.U16());
      cursor_.Skip(8);
      first = cursor_.U16();
      last = cursor_.U16();
      if (ixals > 0) return Fail("it refers to another workbook");
    }
    if (first == 0xFFFF || last == 0xFFFF) return Fail("it refers to a deleted sheet");
    if (first == 0xFFFE) return Fail("it refers to the workbook, not to cells of a sheet");
    if (first != last) return Fail("it spans several sheets");
    if (first >= ctx_.sheet_count)
      return Fail("it refers to sheet " + std::to_string(first + 1) +
                  ", which the workbook does not have");
    stack_.push_back({{first, Cells(area)}});
    return true;
  }

  // Another defined name, by its 1-based record number.
  bool Name() {
    const std::uint16_t index = cursor_.U16();
    cursor_.Skip(b8_ ? 2 : ctx_.biff == Biff::k5 ? 12 : ctx_.biff == Biff::k2 ? 5 : 8);
    if (index == 0 || index > ctx_.names->size())
      return Fail("it refers to a name the workbook does not have");
    return PushName(index);
  }

  // A name through the EXTERNSHEET entries: one of this workbook's own, or an external one.
  bool ExternalName() {
    if (!b8_) return Fail("it refers to a name of another workbook");
    const std::uint16_t ixti = cursor_.U16(), index = cursor_.U16();
    cursor_.Skip(2);
    const std::vector<Xti>& xti = *ctx_.xti;
    const std::vector<bool>& internal_books = *ctx_.supbook_internal;
    const bool internal = ixti < xti.size() && (xti[ixti].supbook >= internal_books.size() ||
                                                internal_books[xti[ixti].supbook]);
    if (!internal || index == 0 || index > ctx_.names->size())
      return Fail("it refers to a name of another workbook");
    return PushName(index);
  }

  bool PushName(std::uint16_t index) {
    const RawName& other = (*ctx_.names)[index - 1];
    if (depth_ + 1 > kMaxNameDepth) return Fail("it refers to names that refer back to it");
    if (other.formula.empty()) return Fail("it is empty");
    std::vector<SheetArea> areas;
    Evaluation inner(ctx_, other, static_cast<int>(other.scope_tab) - 1, depth_ + 1, why_);
    if (!inner.Run(areas)) return false;
    stack_.push_back(std::move(areas));
    return true;
  }

  // Union keeps both operands' areas; range gives the smallest area holding both, intersection
  // their common cells; both need areas of one sheet.
  bool Operator(std::uint8_t op) {
    if (stack_.size() < 2) return Fail("it is a formula");
    std::vector<SheetArea> b = std::move(stack_.back());
    stack_.pop_back();
    std::vector<SheetArea> a = std::move(stack_.back());
    stack_.pop_back();
    a.insert(a.end(), b.begin(), b.end());
    if (op == ptg::kUnion) {
      stack_.push_back(std::move(a));
      return true;
    }
    for (const SheetArea& x : a)
      if (x.sheet != a[0].sheet) return Fail("it combines areas of different sheets");
    SheetArea result = a[0];
    result.area = Normalised(result.area);
    for (const SheetArea& x : a) {
      const Area r = Normalised(x.area);
      Area& t = result.area;
      if (op == ptg::kRange) {
        t = {std::min(t.first_row, r.first_row), std::min(t.first_col, r.first_col),
             std::max(t.last_row, r.last_row), std::max(t.last_col, r.last_col)};
      } else {
        t = {std::max(t.first_row, r.first_row), std::max(t.first_col, r.first_col),
             std::min(t.last_row, r.last_row), std::min(t.last_col, r.last_col)};
        if (t.first_row > t.last_row || t.first_col > t.last_col)
          return Fail("its areas do not intersect (#NULL!)");
      }
    }
    stack_.push_back({result});
    return true;
  }

  const NameFormulaContext& ctx_;
  const bool b8_;
  Cursor cursor_;
  const int scope_;
  const int depth_;
  std::string& why_;
  std::vector<std::vector<SheetArea>> stack_;
};

}  // namespace

bool EvaluateNameFormula(const NameFormulaContext& context, const RawName& name, int scope,
                         std::vector<SheetArea>& out, std::string& why) {
  if (name.formula.empty()) {
    why = "it is empty";
    return false;
  }
  return Evaluation(context, name, scope, 0, why).Run(out);
}

}  // namespace sheaver::xl
