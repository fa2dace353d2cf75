// The number formats of OpenDocument cells: an ODF workbook describes a format as a data style
// (<number:date-style> with <number:day>, <number:text>, ... children), which a cell reaches
// through its cell style. This turns each data style into the format code a spreadsheet
// application shows for it ("DD/MM/YYYY", "#,##0.00", "0.00%").
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "spreadsheet/xml_stream.h"

namespace sheaver::xl {

class OdsNumberStyles {
 public:
  // Feed every element and text of a styles section; the rest is ignored.
  void StartElement(const XmlName& name, const XmlAttributes& a);
  void EndElement(const XmlName& name);
  void Characters(std::string_view text);

  // The format code a cell of this cell style shows its number in; "" when the style (or its
  // parents) names no data style that was read.
  std::string_view CodeOfCellStyle(std::string_view cell_style) const;

  // The code of one data style, as built from its parts; for tests.
  std::string_view CodeOfDataStyle(std::string_view data_style) const;

 private:
  struct CellStyle {
    std::string data_style;
    std::string parent;
  };
  std::unordered_map<std::string, CellStyle> cell_styles_;
  std::unordered_map<std::string, std::string> data_styles_;

  std::string cell_style_;  // the cell style being read
  std::string data_style_;  // the data style being read, and its code so far
  std::string code_;
  int depth_ = 0;         // element depth inside the data style
  bool in_text_ = false;  // in <number:text> or <number:currency-symbol>
  bool in_currency_ = false;
  bool duration_ = false;  // a time style whose hours count past 24
  std::string text_;
};

}  // namespace sheaver::xl
