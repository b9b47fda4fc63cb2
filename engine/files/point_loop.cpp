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

TesraError swapped_error(const FieldReader& in, const PointRecord& record) {
    return file_error(in.path(), in.line(),
                      "o ponto " + quote_excerpt(record.name, in.encoding()) + " tem a latitude e a longitude trocadas: " +
                          number_for_message(record.m) + " não é a sua latitude, nem" + number_for_message(record.p) +
                          " a sua longitude (a latitude vem antes da longitude, ou um cabeçalho com Latitude e "
                          "Longitude diz a ordem)");
}

}  // namespace tesra
