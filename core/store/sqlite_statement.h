#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/records.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_blob;

namespace kestrix::sql {

// SQLite's text for the connection's latest error.
std::string ErrorText(sqlite3* db);

// Runs a statement without results; true on success. SQLite's own error text
// is released, not kept.
bool Exec(sqlite3* db, const std::string& text);

// A prepared statement, finalized with the object.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& text);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Prepared() const { return statement != nullptr; }
  // True while a row is available.
  bool StepRow();
  // True when the statement ran to its end.
  bool StepDone();
  void Reset();

  void BindText(int index, const std::string& value);
  // Binds without SQLite's copy: `value` must stay unchanged until the
  // parameter is bound again or the statement is finalized.
  void BindLastingText(int index, const std::string& value);
  void BindInt(int index, int32_t value);
  void BindInt64(int index, int64_t value);
  void BindDouble(int index, double value);
  void BindZeroBlob(int index, int bytes);

  std::string Text(int column) const;
  int32_t Int(int column) const;
  int64_t Int64(int column) const;
  double Double(int column) const;

 private:
  sqlite3_stmt* statement = nullptr;
};

// Incremental access to the "flight_points" blob of one row.
class PointBlob {
 public:
  PointBlob(sqlite3* db, const std::string& table, int64_t rowId, bool forWriting);
  ~PointBlob();
  PointBlob(const PointBlob&) = delete;
  PointBlob& operator=(const PointBlob&) = delete;

  bool Opened() const { return blob != nullptr; }
  // Appends at most `count` points, never more than the blob holds whole.
  void ReadPoints(int64_t count, std::vector<FlightPoint>& points);
  // Writes the points in order; tells the pilot about each point whose first piece failed.
  void WritePoints(const std::vector<FlightPoint>& points);

 private:
  sqlite3_blob* blob = nullptr;
};

}  // namespace kestrix::sql
