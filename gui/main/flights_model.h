#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include <functional>
#include <string>
#include <vector>

#include "app/flight_list.h"

class QTableView;
class QWidget;

namespace kestrix::gui {

// A list column: its header and its width in pixels (0 hides it).
struct ListColumn {
  const char* header;
  int width;
};

// Text and background of a row; an invalid colour leaves the list's default.
struct RowColours {
  QColor text;
  QColor background;
};

using RowColouring = std::function<RowColours(const ListRows& rows, size_t row)>;

// The rows of a flights list as the core made them, column 0 the flight id.
// Texts are converted only when the view asks, so a whole schedule fills fast.
class FlightsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  FlightsModel(std::vector<ListColumn> columns, RowColouring colouring, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void SetRows(ListRows rows);
  void Clear();
  void RemoveRowAt(int row);
  const ListRows& Rows() const { return rows; }
  const std::vector<ListColumn>& Columns() const { return columns; }

 private:
  std::vector<ListColumn> columns;
  RowColouring colouring;
  ListRows rows;
};

// The list control (id 1001) over `model`: report view with left-aligned
// headers, the model's column widths, full-row single selection that stays
// shown, and the light grey background.
QTableView* CreateFlightsView(QWidget* parent, FlightsModel* model);

// Keeps `control` enabled exactly while the list has a selected row.
void EnableWhileSelected(QTableView* view, QWidget* control);

// The flight id of the selected row; empty without a selection.
std::string SelectedFlightId(const QTableView& view);

}  // namespace kestrix::gui
