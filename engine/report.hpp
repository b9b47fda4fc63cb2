// The report: eight header lines naming the transformation, then one line
// per point with the name and both coordinates in "0.000", in print zones of
// 14 columns. Lines ended by CR LF, in the encoding of the points (Windows-1252
// unless the input was UTF-8).
#pragma once

#include <string>
#include <string_view>

#include "point_file.hpp"

namespace tesra {

// Reads the point file `points` and writes the report to `output`, which
// appears whole or not at all (OutputFile::Mode::replace). Any read or write
// fault throws TesraError.
void write_report(const PointFile& points, const std::string& output, std::string_view source,
                  std::string_view target, char decimal_separator);

}  // namespace tesra
