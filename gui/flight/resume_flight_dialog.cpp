#include "gui/flight/resume_flight_dialog.h"

#include <QPushButton>

#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"
#include "gui/base/window_handle.h"
#include "recorder/flight_recorder.h"

namespace kestrix::gui {
namespace {

constexpr QSize kTemplateSize(200, 130);
constexpr int kPlaceAircraft = 40027;
constexpr int kValueTop = 22;
constexpr int kValueStep = 11;

}  // namespace

ResumeFlightDialog::ResumeFlightDialog(QWidget* owner, const ResumeValuesTexts& texts, SimLink& link,
                                       const FlightRecord& flight)
    // Ids 1004 and 1005 are value lines here, so the dialog has no logo captions.
    : DialogBase(owner, {kTemplateSize, false, true, TemplateFont()}), link(link), flight(flight) {
  AddLabel(1006, QtText(texts.title), 7, 7, 186, 10);
  const std::pair<int, const std::string*> values[] = {
      {1009, &texts.latitude},      {1008, &texts.longitude},  {40002, &texts.altitude},
      {40003, &texts.heading},      {1005, &texts.fuelRemaining}, {1003, &texts.flightTime},
      {1004, &texts.groundRemaining},
  };
  int y = kValueTop;
  for (const auto& [id, text] : values) {
    AddLabel(id, QtText(*text), 14, y, 179, 10);
    y += kValueStep;
  }
  connect(AddButton(kPlaceAircraft, "Place Aircraft", 45, 108, 60, 14), &QPushButton::clicked, this,
          [this] { PlaceAircraftAt(HandleOf(this), this->link, this->flight); });
  QPushButton* ok = AddButton(1, "OK", 111, 108, 44, 14);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &ResumeFlightDialog::accept);
}

void ShowLastRecordedValues(QWidget* owner, SimLink& link, const std::string& flightId) {
  const WindowHandle handle = HandleOf(owner);
  FlightRecord flight;
  const ResumeValuesTexts texts = ReadLastRecordedValues(handle, flightId, flight);
  {
    ResumeFlightDialog dialog(owner, texts, link, flight);
    dialog.exec();
  }
  ShowResumeNotice(handle);
}

}  // namespace kestrix::gui
