// The sample form's active sheet as a read-only table for a QTableView: the used area only, with
// the sheet's own column letters and row numbers as headers, each cell showing the text the
// extraction reads from it (an error value shows its code), numbers and dates to the right, and
// the cells of the current field's reference highlighted.
#pragma once

#include <QAbstractTableModel>
#include <optional>

#include "gridmend/sample_workbook.h"

namespace sheaver {

class SheetTableModel : public QAbstractTableModel {
 public:
  explicit SheetTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // Shows this workbook (not owned; null shows nothing). It must outlive its use here.
  void Sample(const SampleWorkbook* sample);
  // Highlights these sheet cells (nothing for none).
  void Highlight(std::optional<xl::Area> area);

  // The sheet area of a model index, and the index of a sheet cell (invalid outside the used
  // area).
  xl::Area AreaOf(const QModelIndex& topLeft, const QModelIndex& bottomRight) const;
  QModelIndex IndexOf(std::uint32_t row, std::uint32_t col) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  bool Highlighted(std::uint32_t row, std::uint32_t col) const;

  const SampleWorkbook* sample_ = nullptr;
  std::optional<xl::Area> highlight_;
};

}  // namespace sheaver
