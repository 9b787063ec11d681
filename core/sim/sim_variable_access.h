#pragma once

#include <algorithm>
#include <functional>
#include <limits>
#include <type_traits>

#include "sim/sim_offset_table.h"

namespace kestrix {

// How one value another simulator reports is read from and written to the
// variables, in that simulator's units.
struct SimVariableAccess {
  std::function<double(const SimVariables&)> get;
  std::function<void(SimVariables&, double)> set;
};

// Whole-number variables saturate: the value comes from another program.
template <typename Field>
Field Converted(double value) {
  if constexpr (std::is_integral_v<Field>)
    return static_cast<Field>(std::clamp(value, double(std::numeric_limits<Field>::min()),
                                         double(std::numeric_limits<Field>::max())));
  else
    return static_cast<Field>(value);
}

// A variable shown as `scale` units of the simulator per unit of the variable.
template <typename Field>
SimVariableAccess PlainAccess(Field SimVariables::*field, double scale = 1) {
  return {[field, scale](const SimVariables& v) { return static_cast<double>(v.*field) * scale; },
          [field, scale](SimVariables& v, double value) { v.*field = Converted<Field>(value / scale); }};
}

// Any non-zero value is on.
inline SimVariableAccess FlagAccess(bool SimVariables::*field) {
  return {[field](const SimVariables& v) { return v.*field ? 1.0 : 0.0; },
          [field](SimVariables& v, double value) { v.*field = value != 0; }};
}

}  // namespace kestrix
