#include "store/sqlite_statement.h"

#include <sqlcipher/sqlite3.h>

#include <algorithm>

#include "platform/message_box.h"
#include "scrambled/store_strings.h"
#include "store/string_protection.h"

namespace kestrix::sql {
namespace {

// The four pieces of a stored point: offset inside the point and length.
struct Piece {
  int offset;
  int length;
};
constexpr Piece kPointPieces[] = {{0, 8}, {8, 8}, {16, 4}, {20, 4}};

}  // namespace

std::string ErrorText(sqlite3* db) {
  const char* text = sqlite3_errmsg(db);
  return text ? text : "";
}

bool Exec(sqlite3* db, const std::string& text) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error);
  sqlite3_free(error);
  return rc == SQLITE_OK;
}

Statement::Statement(sqlite3* db, const std::string& text) {
  if (sqlite3_prepare_v2(db, text.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    statement = nullptr;
  }
}

Statement::~Statement() { sqlite3_finalize(statement); }

bool Statement::StepRow() { return statement && sqlite3_step(statement) == SQLITE_ROW; }

bool Statement::StepDone() { return statement && sqlite3_step(statement) == SQLITE_DONE; }

void Statement::Reset() { sqlite3_reset(statement); }

void Statement::BindText(int index, const std::string& value) {
  sqlite3_bind_text(statement, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

void Statement::BindLastingText(int index, const std::string& value) {
  sqlite3_bind_text(statement, index, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
}

void Statement::BindInt(int index, int32_t value) { sqlite3_bind_int(statement, index, value); }

void Statement::BindInt64(int index, int64_t value) { sqlite3_bind_int64(statement, index, value); }

void Statement::BindDouble(int index, double value) { sqlite3_bind_double(statement, index, value); }

void Statement::BindZeroBlob(int index, int bytes) { sqlite3_bind_zeroblob(statement, index, bytes); }

std::string Statement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement, column);
  return text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement, column)) : "";
}

int32_t Statement::Int(int column) const { return sqlite3_column_int(statement, column); }

int64_t Statement::Int64(int column) const { return sqlite3_column_int64(statement, column); }

double Statement::Double(int column) const { return sqlite3_column_double(statement, column); }

PointBlob::PointBlob(sqlite3* db, const std::string& table, int64_t rowId, bool forWriting) {
  if (sqlite3_blob_open(db, "main", table.c_str(), Reveal(scrambled::ColumnFlightPoints).c_str(), rowId,
                        forWriting ? 1 : 0, &blob) != SQLITE_OK) {
    sqlite3_blob_close(blob);
    blob = nullptr;
  }
}

PointBlob::~PointBlob() { sqlite3_blob_close(blob); }

void PointBlob::ReadPoints(int64_t count, std::vector<FlightPoint>& points) {
  // A damaged row may claim more points than its blob holds.
  const int64_t whole = sqlite3_blob_bytes(blob) / static_cast<int64_t>(kFlightPointBytes);
  count = std::clamp<int64_t>(count, 0, whole);
  points.reserve(points.size() + static_cast<size_t>(count));
  unsigned char bytes[kFlightPointBytes];
  for (int64_t i = 0; i < count; ++i) {
    const auto base = static_cast<int>(i * static_cast<int64_t>(kFlightPointBytes));
    for (const Piece& piece : kPointPieces) {
      if (sqlite3_blob_read(blob, bytes + piece.offset, piece.length, base + piece.offset) != SQLITE_OK) return;
    }
    points.push_back(DecodeFlightPoint(bytes));
  }
}

void PointBlob::WritePoints(const std::vector<FlightPoint>& points) {
  unsigned char bytes[kFlightPointBytes];
  for (size_t i = 0; i < points.size(); ++i) {
    EncodeFlightPoint(points[i], bytes);
    const auto base = static_cast<int>(i * kFlightPointBytes);
    for (const Piece& piece : kPointPieces) {
      const bool written = sqlite3_blob_write(blob, bytes + piece.offset, piece.length, base + piece.offset) == SQLITE_OK;
      if (!written && piece.offset == 0) ShowMessageBox(nullptr, "Error", "Write Blob", MessageKind::Plain);
    }
  }
}

}  // namespace kestrix::sql
