#include "geodesy/grid_file.hpp"

#include "files/point_file.hpp"
#include "os.hpp"

namespace tesra {

void read_grid_file(const std::string& path, CoordinateGrid& grid) {
    FieldReader in(path);
    for (int i = 0; i < grid_values; ++i) {
        if (in.eof()) {
            throw file_error(path, in.line(),
                             "o ficheiro de grelha tem só " + std::to_string(i) + " valores; são precisos " +
                                 std::to_string(grid_values) + " (" + std::to_string(grid_rows) + " linhas de " +
                                 std::to_string(grid_columns) + ")");
        }
        const int row = i / grid_columns + 1;
        const int column = i % grid_columns + 1;
        grid.node[static_cast<std::size_t>(i)] = in.read_number(FieldName::node(row, column), /*skip_line_ends=*/true);
    }
}

std::string grid_file_path(std::string_view dir, std::string_view name) {
    return os::join(std::string(dir), name);
}

}  // namespace tesra
