#include "track/track_export.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>

namespace kestrix {
namespace {

constexpr double kMetresPerFoot = 0.3048;

// Locale-free decimal text, so a comma never stands for the point.
std::string Decimal(double value, int digits) {
  char text[40];
  auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, digits);
  return std::string(text, end);
}

// The program's 8-bit text as escaped UTF-8; characters XML cannot hold are dropped.
std::string XmlText(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (c >= 0x80) {
          out += static_cast<char>(0xC0 | (c >> 6));
          out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c >= 0x20 || c == '\t' || c == '\n') {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

std::string RouteName(const FlightTrack& track) { return XmlText(track.departure + " - " + track.arrival); }

std::string Metres(int32_t feet) { return Decimal(feet * kMetresPerFoot, 1); }

std::string KmlCoordinate(const FlightPoint& point) {
  return Decimal(point.longitude, 7) + "," + Decimal(point.latitude, 7) + "," + Metres(point.altitude);
}

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

std::string GpxDocument(const FlightTrack& track) {
  std::string gpx =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"Kestrix\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
      " <trk>\n  <name>" + RouteName(track) + "</name>\n";
  for (const TrackLeg& leg : track.legs) {
    gpx += "  <trkseg>\n";
    for (const FlightPoint& point : leg.points) {
      gpx += "   <trkpt lat=\"" + Decimal(point.latitude, 7) + "\" lon=\"" + Decimal(point.longitude, 7) +
             "\"><ele>" + Metres(point.altitude) + "</ele></trkpt>\n";
    }
    gpx += "  </trkseg>\n";
  }
  return gpx + " </trk>\n</gpx>\n";
}

std::string KmlDocument(const FlightTrack& track) {
  std::string kml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n <Document>\n  <name>" + RouteName(track) + "</name>\n";
  for (size_t i = 0; i < track.legs.size(); ++i) {
    const std::vector<FlightPoint>& points = track.legs[i].points;
    if (points.empty()) continue;
    kml += "  <Placemark>\n   <name>Leg " + std::to_string(i + 1) + "</name>\n";
    kml += points.size() == 1 ? "   <Point>\n" : "   <LineString>\n";
    kml += "    <altitudeMode>absolute</altitudeMode>\n    <coordinates>";
    for (size_t p = 0; p < points.size(); ++p) kml += (p ? " " : "") + KmlCoordinate(points[p]);
    kml += "</coordinates>\n";
    kml += points.size() == 1 ? "   </Point>\n" : "   </LineString>\n";
    kml += "  </Placemark>\n";
  }
  return kml + " </Document>\n</kml>\n";
}

ExportResult ExportTrack(const FlightTrack& track, const std::string& path) {
  const std::string extension = Extension(path);
  std::string document;
  if (extension == ".gpx")
    document = GpxDocument(track);
  else if (extension == ".kml")
    document = KmlDocument(track);
  else
    return ExportResult::UnknownType;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << document;
  file.close();
  return file ? ExportResult::Written : ExportResult::WriteFailed;
}

}  // namespace kestrix
