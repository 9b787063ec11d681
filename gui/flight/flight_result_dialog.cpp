#include "gui/flight/flight_result_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"

namespace kestrix::gui {
namespace {

constexpr QSize kTemplateSize(200, 98);
constexpr int kLineTop = 8;
constexpr int kLineStep = 12;

}  // namespace

FlightResultDialog::FlightResultDialog(QWidget* owner, const FlightResultTexts& texts)
    // Ids 1004 and 1005 are value lines here, so the dialog has no logo captions.
    : DialogBase(owner, {kTemplateSize, false, true, TemplateFont()}) {
  const std::pair<int, const std::string*> lines[] = {
      {1000, &texts.flightNumber}, {1002, &texts.route},       {1003, &texts.duration},
      {1004, &texts.fuelUsed},     {1005, &texts.landingRate},
  };
  int y = kLineTop;
  for (const auto& [id, text] : lines) {
    SetTextColour(*AddLabel(id, QtText(*text), 7, y, 186, 10), kValueColour);
    y += kLineStep;
  }
  QPushButton* complete = AddButton(FlightResultChoice::FlightComplete, "Flight Complete", 25, 76, 70, 14);
  complete->setDefault(true);
  connect(complete, &QPushButton::clicked, this, [this] { done(FlightResultChoice::FlightComplete); });
  connect(AddButton(1001, "Refueling Stop", 105, 76, 70, 14), &QPushButton::clicked, this,
          [this] { done(FlightResultChoice::RefuelingStop); });
}

int RunFlightResultDialog(QWidget* owner, const FlightResultTexts& texts) {
  FlightResultDialog dialog(owner, texts);
  return dialog.exec();
}

}  // namespace kestrix::gui
