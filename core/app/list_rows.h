#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix {

// The texts of a list's rows, kept in one buffer: a whole schedule's rows
// cost a few allocations instead of several per row.
class ListRows {
 public:
  explicit ListRows(size_t columns = 0) : columns(columns) {}

  size_t Columns() const { return columns; }
  size_t Size() const { return rowStarts.size(); }
  bool Empty() const { return rowStarts.empty(); }

  // Room for `rows` rows of about `bytesPerRow` characters.
  void Reserve(size_t rows, size_t bytesPerRow);
  // Appends a row; `cells` holds one text per column, in column order.
  void Add(std::initializer_list<std::string_view> cells);
  std::string_view Cell(size_t row, size_t column) const;
  void Remove(size_t row);

 private:
  size_t columns;
  std::string text;
  std::vector<uint32_t> cellEnds;   // where each cell ever added ends in `text`
  std::vector<uint32_t> rowStarts;  // index in `cellEnds` of each row's first cell
};

}  // namespace kestrix
