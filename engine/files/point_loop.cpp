#include "files/point_loop.hpp"

namespace tesra {

TesraError not_finite_error(const FieldReader& in, std::string_view name) {
    return file_error(in.path(), in.line(),
                      "o ponto " + quote_excerpt(name, in.encoding()) +
                          " dá coordenadas que não são números finitos (parâmetros inválidos ou "
                          "valores demasiado grandes)");
}

TesraError quoted_name_error(const FieldReader& in, std::string_view name) {
    return file_error(in.path(), in.line(),
                      "o nome do ponto " + quote_excerpt(name, in.encoding()) +
                          " contém aspas (\"), que o programa não consegue guardar; retire-as do nome");
}

}  // namespace tesra
