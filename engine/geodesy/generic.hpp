// The generic transformation: a second-degree polynomial whose parameters
// the user supplies in two fifteen-item files, one for X and one for Y.
#pragma once

#include <string>

#include "geodesy/polynomial.hpp"

namespace tesra {

enum class ParameterAxis { x, y };

// Reads the fifteen items of one parameter file into `set`: items 4 to 9 into
// the false origins and constants, 10 to 15 into coef_m (X file) or coef_p
// (Y file). Returns the marker (item 3) as read; the caller compares it.
// A missing or unreadable file, one that ends early, or a non-number where a
// number is due throws TesraError naming the file, the line and the item.
std::string read_parameter_file(const std::string& path, ParameterAxis axis,
                                PolynomialParameterSet& set);

}  // namespace tesra
