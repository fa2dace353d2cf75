// A list view control's contents for comparing with EXPECT_EQ: every item as "item|sub|sub...".
#pragma once

#include <string>
#include <vector>

#include "ui/list_view_control.h"

namespace sheaver::test {

inline std::vector<std::string> ListRows(const ListViewControl& lv) {
  std::vector<std::string> rows;
  for (int i = 1; i <= lv.ListItemCount(); ++i) {
    rows.push_back(lv.ItemText(i));
    for (int j = 1; j <= lv.SubItemCount(i); ++j) rows.back() += "|" + lv.SubItemText(i, j);
  }
  return rows;
}

}  // namespace sheaver::test
