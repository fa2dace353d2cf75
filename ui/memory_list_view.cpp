#include "ui/memory_list_view.h"

#include <cstddef>

namespace sheaver {
namespace {

// Checks a 1-based position against a count and returns the 0-based index.
std::size_t Checked(int position, std::size_t count) {
  CheckPosition(position, static_cast<std::ptrdiff_t>(count));
  return static_cast<std::size_t>(position) - 1;
}

}  // namespace

int MemoryListView::ColumnHeaderCount() const {
  return static_cast<int>(headers_.size());
}

void MemoryListView::AddColumnHeader(const std::string& text) {
  headers_.push_back({text});
}

std::string MemoryListView::ColumnHeaderText(int position) const {
  return headers_[Checked(position, headers_.size())].text;
}

void MemoryListView::ColumnHeaderText(int position, const std::string& text) {
  headers_[Checked(position, headers_.size())].text = text;
}

void MemoryListView::ColumnHeaderWidth(int position, float twips) {
  headers_[Checked(position, headers_.size())].width = twips;
}

float MemoryListView::ColumnHeaderWidth(int position) const {
  return headers_[Checked(position, headers_.size())].width;
}

int MemoryListView::ListItemCount() const {
  return static_cast<int>(items_.size());
}

void MemoryListView::AddListItem(const std::string& text) {
  items_.push_back({text, {}});
  Changed(ListItemCount(), 0, text);
}

void MemoryListView::AddListItem(int position, const std::string& text) {
  std::size_t index = Checked(position, items_.size() + 1);
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), Item{text, {}});
  if (selected_ >= position) ++selected_;
  Changed(position, 0, text);
}

void MemoryListView::RemoveListItem(int position) {
  std::size_t index = Checked(position, items_.size());
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  if (selected_ == position) {
    selected_ = 0;
  } else if (selected_ > position) {
    --selected_;
  }
}

void MemoryListView::ClearListItems() {
  items_.clear();
  selected_ = 0;
}

MemoryListView::Item& MemoryListView::At(int position) {
  return items_[Checked(position, items_.size())];
}

const MemoryListView::Item& MemoryListView::At(int position) const {
  return items_[Checked(position, items_.size())];
}

std::string MemoryListView::ItemText(int position) const {
  return At(position).text;
}

void MemoryListView::ItemText(int position, const std::string& text) {
  At(position).text = text;
  Changed(position, 0, text);
}

bool MemoryListView::ItemSelected(int position) const {
  At(position);
  return selected_ == position;
}

void MemoryListView::ItemSelected(int position, bool selected) {
  At(position);
  if (selected) {
    selected_ = position;
  } else if (selected_ == position) {
    selected_ = 0;
  }
}

int MemoryListView::SubItemCount(int position) const {
  return static_cast<int>(At(position).subs.size());
}

std::string MemoryListView::SubItemText(int position, int sub) const {
  const Item& item = At(position);
  return item.subs[Checked(sub, item.subs.size())];
}

void MemoryListView::SubItemText(int position, int sub, const std::string& text) {
  Item& item = At(position);
  item.subs[Checked(sub, item.subs.size())] = text;
  Changed(position, sub, text);
}

void MemoryListView::AddSubItem(int position, const std::string& text) {
  Item& item = At(position);
  item.subs.push_back(text);
  Changed(position, static_cast<int>(item.subs.size()), text);
}

void MemoryListView::SubItems(int position, int sub, const std::string& text) {
  Item& item = At(position);
  std::size_t index = Checked(sub, headers_.empty() ? 0 : headers_.size() - 1);
  if (item.subs.size() <= index) item.subs.resize(index + 1);
  item.subs[index] = text;
  Changed(position, sub, text);
}

void MemoryListView::Changed(int position, int column, const std::string& text) const {
  if (listener_) listener_(position, column, text);
}

}  // namespace sheaver
