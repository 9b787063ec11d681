#include "airline/schedule_generator.h"

#include <array>
#include <cstdio>

namespace kestrix::airline {
namespace {

struct Airport {
  const char* code;
  const char* name;  // as sent: entity-encoded
};

// Names use the entity spellings the program decodes, except the "& #NN;" forms:
// their "#" would split the record.
constexpr std::array<Airport, 24> kAirports{{
    {"KORD", "Chicago O&apos;Hare Intl"},
    {"KJFK", "New York John F. Kennedy Intl"},
    {"KLAX", "Los Angeles Intl"},
    {"KATL", "Atlanta Hartsfield&amp;Jackson Intl"},
    {"KDFW", "Dallas&60;Fort Worth&62; Intl"},
    {"KSEA", "Seattle&38;Tacoma Intl"},
    {"KSFO", "San Francisco Intl"},
    {"KBOS", "Boston Logan Intl"},
    {"CYYT", "St. John&39;s Intl"},
    {"CYYZ", "Toronto Pearson Intl"},
    {"EGLL", "London Heathrow"},
    {"EGKK", "London Gatwick"},
    {"LFPG", "Paris Charles de Gaulle"},
    {"EDDF", "Frankfurt am Main"},
    {"EHAM", "Amsterdam Schiphol"},
    {"LSZH", "Zurich &quot;Kloten&quot;"},
    {"LEMD", "Madrid Barajas"},
    {"LIRF", "Rome Fiumicino"},
    {"EKCH", "Copenhagen Kastrup"},
    {"ENGM", "Oslo Gardermoen"},
    {"RJTT", "Tokyo Haneda"},
    {"YSSY", "Sydney Kingsford Smith"},
    {"PHNL", "Honolulu Daniel K. Inouye Intl"},
    {"PANC", "Anchorage Ted Stevens &lt;Intl&gt;"},
}};

struct Airline {
  const char* icao;
  const char* name;
};

constexpr std::array<Airline, 6> kAirlines{{
    {"HLV", "Halvorn Air"},
    {"HLX", "Halvorn Express &amp; Cargo"},
    {"NRD", "Nordvik &34;North&34; Partners Airways"},
    {"SKT", "Skytern&apos;s Regional"},
    {"BLC", "Blue Crane &quot;Charter&quot;"},
    {"OCL", "Ocelot Air"},
}};

constexpr std::array<const char*, 9> kAircraft{"B738", "A320", "B77W", "A333", "CRJ7", "DH8D", "E190", "B752", ""};

// The kinds the schedule mixes; "SCH" most of all.
constexpr std::array<const char*, 8> kTypes{"SCH", "SCH", "SCH", "SPL", "GA", "BID", "HVH", "SCH"};

// Small, fast and the same everywhere: the same seed always gives the same schedule.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state(seed * 2654435761u + 1013904223u) {}
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint32_t state;
};

std::string GuidFrom(Lcg& random) {
  char text[37];
  std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%04x%08x", random.Next(), random.Below(0x10000),
                0x4000 | random.Below(0x1000), 0x8000 | random.Below(0x4000), random.Below(0x10000),
                random.Next());
  return text;
}

std::string ExpiryFor(Lcg& random) {
  const uint32_t month = 1 + random.Below(12);
  const uint32_t day = 1 + random.Below(28);
  switch (random.Below(10)) {
    case 0:
      return std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(2015 + random.Below(8));
    case 1:
      return std::to_string(month) + "/" + std::to_string(day);
    case 2:
      return "";
    default:
      return std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(2035 + random.Below(10));
  }
}

std::string EffectiveFor(Lcg& random) {
  switch (random.Below(6)) {
    case 0:
      return "";
    case 1:
      return std::to_string(2'100'000'000 + random.Below(100'000'000));  // not yet flyable
    default:
      return std::to_string(1'500'000'000 + random.Below(100'000'000));
  }
}

void AppendPair(std::string& out, const char* key, const std::string& value) {
  out += key;
  out += '=';
  out += value;
  out += '#';
}

}  // namespace

std::vector<AvailableFlight> GenerateSchedule(uint32_t seed, size_t count) {
  Lcg random(seed);
  std::vector<AvailableFlight> flights;
  flights.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    AvailableFlight flight;
    flight.type = kTypes[random.Below(kTypes.size())];
    flight.flightId = flight.type == "SPL" && i % 3 == 0 ? GuidFrom(random) : std::to_string(100000 + i);
    const auto& from = kAirports[random.Below(kAirports.size())];
    const auto& to = kAirports[(&from - kAirports.data() + 1 + random.Below(kAirports.size() - 1)) % kAirports.size()];
    const auto& airline = kAirlines[random.Below(kAirlines.size())];
    flight.departure = from.code;
    flight.departureName = from.name;
    flight.arrival = to.code;
    flight.arrivalName = to.name;
    flight.airlineIcao = airline.icao;
    flight.flightNumber = std::to_string(100 + random.Below(9900));
    flight.airlineName = airline.name;
    flight.aircraftType = flight.type == "GA" ? "C172" : kAircraft[random.Below(kAircraft.size())];
    flight.effectiveDate = EffectiveFor(random);
    flight.expiryDate = ExpiryFor(random);
    flights.push_back(std::move(flight));
  }
  return flights;
}

std::string FormatSchedule(const std::vector<AvailableFlight>& flights) {
  std::string out;
  out.reserve(flights.size() * 256);
  for (const auto& flight : flights) {
    AppendPair(out, "type", flight.type);
    AppendPair(out, "fltid", flight.flightId);
    AppendPair(out, "dep", flight.departure);
    AppendPair(out, "depNm", flight.departureName);
    AppendPair(out, "arr", flight.arrival);
    AppendPair(out, "arrNm", flight.arrivalName);
    AppendPair(out, "airlineIcao", flight.airlineIcao);
    AppendPair(out, "fn", flight.flightNumber);
    AppendPair(out, "airlineNm", flight.airlineName);
    if (!flight.aircraftType.empty()) AppendPair(out, "acftt", flight.aircraftType);
    if (!flight.effectiveDate.empty()) AppendPair(out, "effdate", flight.effectiveDate);
    out += "expDt=";
    out += flight.expiryDate;
    out += '$';
  }
  return out;
}

}  // namespace kestrix::airline
