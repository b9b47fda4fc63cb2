#include "geodesy/generic.hpp"

#include "files/point_file.hpp"

namespace tesra {

std::string read_parameter_file(const std::string& path, ParameterAxis axis, PolynomialParameterSet& set) {
    FieldReader in(path);
    auto text = [&](const char* what) {
        if (in.eof()) throw file_error(path, in.line(), std::string("o ficheiro termina antes ") + what);
        return std::string(in.read_text());
    };
    (void)text("da descrição do sistema 1");
    (void)text("da descrição do sistema 2");
    std::string marker = text(axis == ParameterAxis::x ? "do marcador X" : "do marcador Y");
    set.false_origin_x1 = in.read_number("Falsa origem em X no Sistema 1");
    set.false_origin_y1 = in.read_number("Falsa origem em Y no Sistema 1");
    set.false_origin_x2 = in.read_number("Falsa origem em X no Sistema 2");
    set.false_origin_y2 = in.read_number("Falsa origem em Y no Sistema 2");
    set.Const_X = in.read_number("Const_X");
    set.Const_Y = in.read_number("Const_Y");
    const char* name = axis == ParameterAxis::x ? "coef_m (" : "coef_p (";
    auto& coef = axis == ParameterAxis::x ? set.coef_m : set.coef_p;
    for (std::size_t i = 0; i < coef.size(); ++i) {
        coef[i] = in.read_number(name + std::to_string(i) + ")");
    }
    return marker;
}

}  // namespace tesra
