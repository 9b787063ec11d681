// Turns the binned low-resolution shoreline set (netCDF) into a C++ source
// holding the compact coastline file the track map reads:
//
//   "KXCOAST1", u16 bin size in minutes, u32 segment count, then per segment
//   i16 west and i16 south edge of its bin (degrees), u16 point count and the
//   points as u16 pairs (east, north offsets in 1/65535 of the bin size).
//
// Everything little-endian. Antarctica's grounding line is left out: its ice
// front is the coast a pilot sees.
#include <netcdf.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kGroundingLineLevel = 6;

template <class T>
bool ReadVariable(int file, const char* name, std::vector<T>& values, size_t count) {
  int id = 0;
  values.resize(count);
  return nc_inq_varid(file, name, &id) == NC_NOERR && nc_get_var(file, id, values.data()) == NC_NOERR;
}

int ReadScalar(int file, const char* name) {
  std::vector<int> value;
  return ReadVariable(file, name, value, 1) ? value[0] : -1;
}

void Put16(std::vector<unsigned char>& out, uint16_t value) {
  out.push_back(value & 0xFF);
  out.push_back(value >> 8);
}

void Put32(std::vector<unsigned char>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

bool WriteSource(const std::vector<unsigned char>& bytes, const char* path) {
  FILE* out = std::fopen(path, "w");
  if (!out) return false;
  std::fprintf(out, "// Generated from the low-resolution shoreline set; do not edit.\n#include <cstddef>\n");
  std::fprintf(out, "namespace kestrix {\nextern const unsigned char kCoastlineData[];\nextern const size_t kCoastlineDataSize;\n");
  std::fprintf(out, "const unsigned char kCoastlineData[] = {");
  for (size_t i = 0; i < bytes.size(); ++i) std::fprintf(out, "%s%u,", i % 24 == 0 ? "\n" : "", bytes[i]);
  std::fprintf(out, "\n};\nconst size_t kCoastlineDataSize = %zu;\n}  // namespace kestrix\n", bytes.size());
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: coast_gen BINNED_GSHHS.nc OUTPUT.cpp\n");
    return 2;
  }
  int file = 0;
  if (nc_open(argv[1], NC_NOWRITE, &file) != NC_NOERR) {
    std::fprintf(stderr, "coast_gen: cannot open %s\n", argv[1]);
    return 1;
  }
  const int binMinutes = ReadScalar(file, "Bin_size_in_minutes");
  const int binsAcross = ReadScalar(file, "N_bins_in_360_longitude_range");
  const int bins = ReadScalar(file, "N_bins_in_file");
  const int segments = ReadScalar(file, "N_segments_in_file");
  const int points = ReadScalar(file, "N_points_in_file");
  std::vector<int> firstSegment, segmentInfo, firstPoint;
  std::vector<short> segmentCount, east, north;
  const bool read = binMinutes > 0 && binsAcross > 0 && bins > 0 && segments >= 0 && points >= 0 &&
                    ReadVariable(file, "Id_of_first_segment_in_a_bin", firstSegment, bins) &&
                    ReadVariable(file, "N_segments_in_a_bin", segmentCount, bins) &&
                    ReadVariable(file, "Embedded_npts_levels_exit_entry_for_a_segment", segmentInfo, segments) &&
                    ReadVariable(file, "Id_of_first_point_in_a_segment", firstPoint, segments) &&
                    ReadVariable(file, "Relative_longitude_from_SW_corner_of_bin", east, points) &&
                    ReadVariable(file, "Relative_latitude_from_SW_corner_of_bin", north, points);
  nc_close(file);
  if (!read) {
    std::fprintf(stderr, "coast_gen: %s is not a binned shoreline file\n", argv[1]);
    return 1;
  }

  std::vector<unsigned char> body;
  uint32_t kept = 0;
  const int binDegrees = binMinutes / 60;
  for (int bin = 0; bin < bins; ++bin) {
    // Bins run west to east from 0 degrees, rows from the north pole down.
    const int west = (bin % binsAcross) * binDegrees;
    const int south = 90 - (bin / binsAcross + 1) * binDegrees;
    for (int s = firstSegment[bin]; s < firstSegment[bin] + segmentCount[bin]; ++s) {
      if (s < 0 || s >= segments) return 1;
      const int count = segmentInfo[s] >> 9;
      const int level = (segmentInfo[s] >> 6) & 7;
      if (level == kGroundingLineLevel || count < 2 || count > 0xFFFF) continue;
      if (firstPoint[s] < 0 || firstPoint[s] + count > points) return 1;
      Put16(body, static_cast<uint16_t>(west > 180 ? west - 360 : west));
      Put16(body, static_cast<uint16_t>(south));
      Put16(body, static_cast<uint16_t>(count));
      for (int p = firstPoint[s]; p < firstPoint[s] + count; ++p) {
        Put16(body, static_cast<uint16_t>(east[p]));
        Put16(body, static_cast<uint16_t>(north[p]));
      }
      ++kept;
    }
  }
  std::vector<unsigned char> bytes{'K', 'X', 'C', 'O', 'A', 'S', 'T', '1'};
  Put16(bytes, static_cast<uint16_t>(binMinutes));
  Put32(bytes, kept);
  bytes.insert(bytes.end(), body.begin(), body.end());
  if (!WriteSource(bytes, argv[2])) {
    std::fprintf(stderr, "coast_gen: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
