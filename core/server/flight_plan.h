#pragma once

#include <string>

#include "server/http_engine.h"

namespace kestrix {

inline constexpr size_t kFlightPlanChunkSize = 800;
// The caption of every message about a flight plan file.
inline constexpr const char* kFlightPlanCaption = "Upload Flight Plan";

// Uploads the flight plan file in 800-character chunks; true on success (and
// when the file is missing or empty). Shows one message on failure.
bool UploadFlightPlan(ServerLink& link, const std::string& pilotNumber, const std::string& flightId,
                      const std::string& filePath);

// Entities decoded, then line ends to "$", "'" to "^", space to "!", "+" to "_".
std::string PrepareFlightPlanText(std::string text);

}  // namespace kestrix
