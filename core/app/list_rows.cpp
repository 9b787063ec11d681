#include "app/list_rows.h"

namespace kestrix {

void ListRows::Reserve(size_t rows, size_t bytesPerRow) {
  text.reserve(rows * bytesPerRow);
  cellEnds.reserve(rows * columns);
  rowStarts.reserve(rows);
}

void ListRows::Add(std::initializer_list<std::string_view> cells) {
  rowStarts.push_back(static_cast<uint32_t>(cellEnds.size()));
  for (const std::string_view cell : cells) {
    text += cell;
    cellEnds.push_back(static_cast<uint32_t>(text.size()));
  }
}

std::string_view ListRows::Cell(size_t row, size_t column) const {
  const size_t cell = rowStarts[row] + column;
  // Cells lie one after the other, so each begins where the one before it ends.
  const size_t begin = cell == 0 ? 0 : cellEnds[cell - 1];
  return std::string_view(text).substr(begin, cellEnds[cell] - begin);
}

void ListRows::Remove(size_t row) { rowStarts.erase(rowStarts.begin() + static_cast<std::ptrdiff_t>(row)); }

}  // namespace kestrix
