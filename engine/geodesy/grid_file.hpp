// The grid files: where a grid routine finds them and how their node values
// are read. Reading is kept apart from the interpolation (grid.hpp), which
// never parses: every fault of a file is reported before the first point.
#pragma once

#include <string>
#include <string_view>

#include "geodesy/grid.hpp"

namespace tesra {

// Reads the first 8118 numbers of a grid file (blanks, commas and line ends
// separate them; anything after is ignored). Fewer values, or a non-number
// among them, throws TesraError naming the file and the line.
void read_grid_file(const std::string& path, CoordinateGrid& grid);

// "<dir>/<name>": the directory without or with a trailing separator.
std::string grid_file_path(std::string_view dir, std::string_view name);

}  // namespace tesra
