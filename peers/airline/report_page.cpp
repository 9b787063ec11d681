#include "airline/report_page.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace kestrix::airline {
namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

constexpr std::array<std::pair<ReportField, const char*>, 15> kShown{{
    {ReportField::PilotNumber, "Pilot"},
    {ReportField::FlightId, "Flight id"},
    {ReportField::Type, "Type"},
    {ReportField::AirlineName, "Airline"},
    {ReportField::FlightNumber, "Flight number"},
    {ReportField::Departure, "From"},
    {ReportField::DepartureName, "Departure airport"},
    {ReportField::Arrival, "To"},
    {ReportField::ArrivalName, "Arrival airport"},
    {ReportField::FlightMinutes, "Minutes flown"},
    {ReportField::GroundMinutesLeft, "Ground minutes left"},
    {ReportField::FuelUsed, "Fuel used (lb)"},
    {ReportField::LandingRate, "Landing rate (ft/min)"},
    {ReportField::LastLatitude, "Last latitude"},
    {ReportField::LastLongitude, "Last longitude"},
}};

// The track as an SVG polyline scaled into a 400 x 200 box.
std::string TrackSvg(const std::vector<FlightPoint>& points) {
  if (points.empty()) return "<p>No track was recorded for this flight.</p>";
  auto [minLat, maxLat] = std::minmax_element(points.begin(), points.end(),
                                              [](auto& a, auto& b) { return a.latitude < b.latitude; });
  auto [minLon, maxLon] = std::minmax_element(points.begin(), points.end(),
                                              [](auto& a, auto& b) { return a.longitude < b.longitude; });
  const double latSpan = std::max(maxLat->latitude - minLat->latitude, 1e-6);
  const double lonSpan = std::max(maxLon->longitude - minLon->longitude, 1e-6);
  std::string svg = "<svg id=\"track\" width=\"400\" height=\"200\"><polyline fill=\"none\" stroke=\"#c33\" points=\"";
  char pair[64];
  for (const auto& point : points) {
    std::snprintf(pair, sizeof pair, "%.1f,%.1f ", (point.longitude - minLon->longitude) / lonSpan * 390 + 5,
                  195 - (point.latitude - minLat->latitude) / latSpan * 190);
    svg += pair;
  }
  svg += "\"/></svg>\n<table id=\"points\"><tr><th>Latitude</th><th>Longitude</th><th>Altitude</th></tr>\n";
  for (const auto& point : points) {
    std::snprintf(pair, sizeof pair, "<tr><td>%.6f</td><td>%.6f</td><td>%d</td></tr>\n", point.latitude,
                  point.longitude, point.altitude);
    svg += pair;
  }
  return svg + "</table>\n";
}

}  // namespace

std::string ReportPageHtml(const StoredReport* report, const std::string& query, bool justFiled) {
  std::string page = "<html><head><title>Halvorn PIREP</title></head><body>\n";
  if (!report) return page + "<h1>Invalid report data</h1><p>This report cannot be shown.</p></body></html>";
  page += "<h1>Flight report " + Escape(report->reportKey) + "</h1>\n<table id=\"report\">\n";
  for (const auto& [field, label] : kShown)
    page += std::string("<tr><th>") + label + "</th><td>" + Escape(report->Field(field)) + "</td></tr>\n";
  page += "</table>\n" + TrackSvg(report->points);
  if (justFiled)
    page += "<p id=\"status\">PIREP filed. You may close this window.</p>\n";
  else if (report->filed)
    page += "<p id=\"status\">This PIREP has been filed.</p>\n";
  else
    page += "<p><a id=\"complete\" href=\"?" + Escape(query) + "&amp;complete=1\">Complete PIREP</a></p>\n";
  return page + "</body></html>";
}

}  // namespace kestrix::airline
