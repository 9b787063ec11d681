#pragma once

#include <string>

#include "airline/airline_state.h"

namespace kestrix::airline {

// Applies a seed file to the state. Lines "key = value"; blank lines and lines
// starting with "#" are skipped:
//   pilot = USER PASSWORD NUMBER NAME...   (a pilot; "admin = ..." for one who
//                                            may post administrator messages)
//   flights = N                             (schedule size of every pilot)
//   variable = NAME=VALUE                   (a server variable)
//   version = KEY=VALUE                     (a value of the version page)
//   updater = PATH                          (the updater file's contents)
//   file-on-view = true|false               (opening the report page files it)
// False with `error` naming the line when the file cannot be read or a line is wrong.
bool LoadSeedFile(const std::string& path, AirlineState& state, std::string& error);

}  // namespace kestrix::airline
