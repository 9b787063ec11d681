#include "gui/main/flights_model.h"

#include <QHeaderView>
#include <QTableView>

#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"

namespace kestrix::gui {

FlightsModel::FlightsModel(std::vector<ListColumn> columns, RowColouring colouring, QObject* parent)
    : QAbstractTableModel(parent),
      columns(std::move(columns)),
      colouring(std::move(colouring)),
      rows(this->columns.size()) {}

int FlightsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows.Size());
}

int FlightsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns.size());
}

QVariant FlightsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto row = static_cast<size_t>(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return QtText(rows.Cell(row, static_cast<size_t>(index.column())));
    case Qt::ForegroundRole:
    case Qt::BackgroundRole: {
      const RowColours colours = colouring(rows, row);
      const QColor& colour = role == Qt::ForegroundRole ? colours.text : colours.background;
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    default:
      return {};
  }
}

QVariant FlightsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return QString::fromLatin1(columns[static_cast<size_t>(section)].header);
}

Qt::ItemFlags FlightsModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void FlightsModel::SetRows(ListRows fresh) {
  beginResetModel();
  rows = std::move(fresh);
  endResetModel();
}

void FlightsModel::Clear() { SetRows(ListRows(columns.size())); }

void FlightsModel::RemoveRowAt(int row) {
  beginRemoveRows({}, row, row);
  rows.Remove(static_cast<size_t>(row));
  endRemoveRows();
}

QTableView* CreateFlightsView(QWidget* parent, FlightsModel* model) {
  auto* view = new QTableView(parent);
  view->setObjectName("1001");
  view->setModel(model);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setShowGrid(false);
  view->setWordWrap(false);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  QPalette palette = view->palette();
  palette.setColor(QPalette::Base, kLightColour);
  palette.setColor(QPalette::Text, Qt::black);
  // The selection stays visible while another control has the focus.
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  view->setPalette(palette);

  // Fixed row heights let the view place any of a whole schedule's rows without measuring them.
  QHeaderView* rowsHeader = view->verticalHeader();
  rowsHeader->hide();
  rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
  rowsHeader->setDefaultSectionSize(view->fontMetrics().height() + 4);

  QHeaderView* header = view->horizontalHeader();
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  const auto& columns = model->Columns();
  for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
    const int width = columns[static_cast<size_t>(column)].width;
    if (width == 0)
      view->setColumnHidden(column, true);
    else
      view->setColumnWidth(column, width);
  }
  return view;
}

void EnableWhileSelected(QTableView* view, QWidget* control) {
  QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, control,
                   [view, control] { control->setEnabled(view->selectionModel()->hasSelection()); });
}

std::string SelectedFlightId(const QTableView& view) {
  const QItemSelection selection = view.selectionModel()->selection();
  if (selection.isEmpty()) return {};
  const auto* model = static_cast<const FlightsModel*>(view.model());
  return std::string(model->Rows().Cell(static_cast<size_t>(selection.front().top()), FlightColumn::Id));
}

}  // namespace kestrix::gui
