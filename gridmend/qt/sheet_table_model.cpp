#include "gridmend/qt/sheet_table_model.h"

#include <QBrush>
#include <QColor>

#include "platform/qt/qt_text.h"
#include "spreadsheet/reference.h"

namespace sheaver {

void SheetTableModel::Sample(const SampleWorkbook* sample) {
  beginResetModel();
  sample_ = sample;
  highlight_.reset();
  endResetModel();
}

void SheetTableModel::Highlight(std::optional<xl::Area> area) {
  if (area == highlight_) return;
  highlight_ = area;
  if (rowCount() > 0 && columnCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

xl::Area SheetTableModel::AreaOf(const QModelIndex& topLeft, const QModelIndex& bottomRight) const {
  const xl::Area& used = sample_->UsedArea();
  return {used.first_row + static_cast<std::uint32_t>(topLeft.row()),
          used.first_col + static_cast<std::uint32_t>(topLeft.column()),
          used.first_row + static_cast<std::uint32_t>(bottomRight.row()),
          used.first_col + static_cast<std::uint32_t>(bottomRight.column())};
}

QModelIndex SheetTableModel::IndexOf(std::uint32_t row, std::uint32_t col) const {
  if (sample_ == nullptr) return {};
  const xl::Area& used = sample_->UsedArea();
  if (row < used.first_row || row > used.last_row || col < used.first_col || col > used.last_col)
    return {};
  return index(static_cast<int>(row - used.first_row), static_cast<int>(col - used.first_col));
}

int SheetTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || sample_ == nullptr) return 0;
  return static_cast<int>(sample_->UsedArea().RowCount());
}

int SheetTableModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || sample_ == nullptr) return 0;
  return static_cast<int>(sample_->UsedArea().ColumnCount());
}

bool SheetTableModel::Highlighted(std::uint32_t row, std::uint32_t col) const {
  return highlight_ && row >= highlight_->first_row && row <= highlight_->last_row &&
         col >= highlight_->first_col && col <= highlight_->last_col;
}

QVariant SheetTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || sample_ == nullptr) return {};
  const xl::Area& used = sample_->UsedArea();
  const std::uint32_t row = used.first_row + static_cast<std::uint32_t>(index.row());
  const std::uint32_t col = used.first_col + static_cast<std::uint32_t>(index.column());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return ToQString(sample_->CellText(row, col));
    case Qt::TextAlignmentRole: {
      const xl::Value::Kind kind = sample_->CellKind(row, col);
      const bool right = kind == xl::Value::Kind::kNumber || kind == xl::Value::Kind::kDate;
      return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::ForegroundRole:
      if (sample_->CellKind(row, col) == xl::Value::Kind::kError) return QBrush(QColor(0xb0, 0, 0));
      return {};
    case Qt::BackgroundRole:
      if (Highlighted(row, col)) return QBrush(QColor(0xff, 0xe8, 0x8c));
      return {};
    default:
      return {};
  }
}

QVariant SheetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || sample_ == nullptr) return {};
  const xl::Area& used = sample_->UsedArea();
  if (orientation == Qt::Horizontal)
    return ToQString(xl::ColumnLetters(used.first_col + static_cast<std::uint32_t>(section)));
  return QString::number(used.first_row + static_cast<std::uint32_t>(section) + 1);
}

Qt::ItemFlags SheetTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace sheaver
