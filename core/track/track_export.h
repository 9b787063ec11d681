#pragma once

#include <string>

#include "track/flight_track.h"

namespace kestrix {

// GPX 1.1: one track, a segment per leg, every point with its elevation in
// metres. The stored points carry no time, so none is written.
std::string GpxDocument(const FlightTrack& track);
// KML 2.2: a placemark per leg, a LineString with absolute altitudes in
// metres (a Point for a leg of one point).
std::string KmlDocument(const FlightTrack& track);

enum class ExportResult { Written, UnknownType, WriteFailed };

// Writes the track to `path` as GPX or KML, as its extension (".gpx",
// ".kml", any case) says.
ExportResult ExportTrack(const FlightTrack& track, const std::string& path);

}  // namespace kestrix
