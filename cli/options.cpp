#include "options.hpp"

#include <algorithm>
#include <numeric>
#include <utility>

#include "systems.hpp"

namespace tesra::cli {

namespace {

// The code of "EPSG:3763" (the prefix in any case) or "3763"; 0 for any
// other text.
int epsg_code(std::string_view text) {
    if (text.size() > 5 && std::equal(text.begin(), text.begin() + 5, "epsg:", [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
        })) {
        text.remove_prefix(5);
    }
    if (text.empty() || text.size() > 6) return 0;
    int code = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

std::vector<const SystemInfo*> systems_with_code(int code) {
    std::vector<const SystemInfo*> found;
    for (const SystemInfo& s : systems)
        if (code != 0 && s.epsg == code) found.push_back(&s);
    return found;
}

// Lower case without accents (UTF-8 letters of Latin-1) and without the
// blanks around it: the form in which names are compared for suggestions.
std::string folded(std::string_view text) {
    static constexpr std::string_view latin1_base = "aaaaaaeceeeeiiiidnoooooxouuuuyts";  // U+00C0 to U+00DF
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (c == 0xC3 && next >= 0x80 && next <= 0xBF) {
            out += latin1_base[(next - 0x80) % 0x20];
            ++i;
        } else {
            out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    const std::size_t first = out.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : out.substr(first, out.find_last_not_of(' ') - first + 1);
}

// Edits that turn `typed` into `known`; with within_known, into the closest
// part of `known` (so "datum 73" is 0 from "hayford-gauss datum 73").
std::size_t edit_distance(std::string_view typed, std::string_view known, bool within_known) {
    std::vector<std::size_t> row(known.size() + 1);
    if (!within_known) std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= typed.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= known.size(); ++j) {
            const std::size_t substitute = diagonal + (typed[i - 1] == known[j - 1] ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({substitute, row[j] + 1, row[j - 1] + 1});
        }
    }
    return within_known ? *std::min_element(row.begin(), row.end()) : row.back();
}

}  // namespace

std::string resolve_system(std::string_view text) {
    for (const SystemInfo& s : systems) {
        if (s.alias == text) return std::string(s.name);
    }
    if (const std::vector<const SystemInfo*> found = systems_with_code(epsg_code(text)); found.size() == 1) {
        return std::string(found[0]->name);
    }
    return std::string(text);
}

std::string shared_code_error(std::string_view text) {
    const int code = epsg_code(text);
    const std::vector<const SystemInfo*> found = systems_with_code(code);
    if (found.size() < 2) return {};
    std::string error = "EPSG:" + std::to_string(code) + " serve " + std::to_string(found.size()) +
                        " sistemas, cada um com o seu polinómio oficial; escolha um:";
    for (const SystemInfo* s : found) {
        error.append("\n  ").append(s->alias).append(10 - std::min<std::size_t>(s->alias.size(), 8), ' ').append(s->name);
    }
    return error;
}

std::string suggest_systems(std::string_view text) {
    const std::string typed = folded(text);
    // Closest part of a name or whole alias first; the whole name breaks ties.
    std::vector<std::pair<std::pair<std::size_t, std::size_t>, const SystemInfo*>> ranked;
    for (const SystemInfo& s : systems) {
        const std::string name = folded(s.name);
        ranked.push_back({{std::min(edit_distance(typed, name, true), edit_distance(typed, s.alias, false)),
                           edit_distance(typed, name, false)},
                          &s});
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string line = "Sistema desconhecido: \"" + std::string(text) + "\". Será ";
    for (std::size_t i = 0; i < 3 && ranked[i].first.first == ranked[0].first.first; ++i) {
        if (i > 0) line += i + 1 < 3 && ranked[i + 1].first.first == ranked[0].first.first ? ", " : " ou ";
        const SystemInfo& s = *ranked[i].second;
        line.append("\"").append(s.name).append("\" (").append(s.alias).append(")");
    }
    return line + "? Ver tesra-cli --list.";
}

std::string usage_text() {
    return "Uso: tesra-cli --from SISTEMA1 --to SISTEMA2 [--param-x FICHEIRO --param-y FICHEIRO]\n"
           "                [--decimal-separator CARÁCTER] [--grid-dir PASTA] ENTRADA SAÍDA\n"
           "     tesra-cli --list | --help | --version\n"
           "\n"
           "Transforma as coordenadas do ficheiro de pontos ENTRADA (Nome, M, P) do SISTEMA1\n"
           "para o SISTEMA2 e escreve o relatório em SAÍDA. Além das transformações do programa\n"
           "de janela, serve o sistema militar (militar, EPSG:20790) de e para os sistemas do\n"
           "continente, e o regresso de UTM 25, 26 e 28 ITRF93 a cada ilha (ver --list).\n"
           "\n"
           "  --from, --to            nome exato do sistema, a sua abreviatura ou o seu código EPSG\n"
           "                          (EPSG:3763 ou 3763; ver --list)\n"
           "  --param-x, --param-y    ficheiros de parâmetros da transformação \"Qualquer\"\n"
           "  --decimal-separator C   separador decimal do relatório (por omissão, o do locale)\n"
           "  --grid-dir PASTA        pasta dos ficheiros de grelha (por omissão, a do programa)\n"
           "  --list                  mostra os sistemas com o seu código EPSG, e as transformações\n"
           "                          com o seu método e exatidão\n"
           "\n"
           "Estado de saída: 0 ficheiro criado; 1 transformação recusada ou falhada; 2 erro de uso.\n";
}

ParseResult parse_options(const std::vector<std::string_view>& args) {
    Options o;
    std::vector<std::string_view> positional;
    bool only_positional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (only_positional || arg.size() < 2 || arg.substr(0, 2) != "--") {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            only_positional = true;
            continue;
        }
        std::string_view key = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            key = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (key == "--help" || key == "--version" || key == "--list") {
            if (value) return {std::nullopt, "a opção " + std::string(key) + " não leva valor"};
            (key == "--help" ? o.help : key == "--version" ? o.version : o.list) = true;
            continue;
        }
        const bool known = key == "--from" || key == "--to" || key == "--param-x" || key == "--param-y" ||
                           key == "--decimal-separator" || key == "--grid-dir";
        if (!known) return {std::nullopt, "opção desconhecida: " + std::string(key)};
        if (!value) {
            if (i + 1 == args.size()) return {std::nullopt, "falta o valor da opção " + std::string(key)};
            value = args[++i];
        }
        if (key == "--from" || key == "--to") {
            if (std::string error = shared_code_error(*value); !error.empty()) return {std::nullopt, error};
            (key == "--from" ? o.from : o.to) = resolve_system(*value);
        }
        else if (key == "--param-x") o.param_x = *value;
        else if (key == "--param-y") o.param_y = *value;
        else if (key == "--grid-dir") o.grid_dir = std::string(*value);
        else {
            // One visible character that cannot be read as part of a number
            // or taken for a blank between the report's columns.
            const char c = value->empty() ? '\0' : (*value)[0];
            if (value->size() != 1 || c <= ' ' || c > '~' || (c >= '0' && c <= '9') || c == '-' || c == '+' ||
                c == 'e' || c == 'E') {
                return {std::nullopt, "o separador decimal deve ser um só carácter visível que não faça parte de "
                                      "um número, como . ou ,"};
            }
            o.decimal_separator = (*value)[0];
        }
    }
    if (o.help || o.version || o.list) return {o, {}};
    if (o.from.empty()) return {std::nullopt, "falta --from (o sistema de origem)"};
    if (positional.size() != 2) {
        return {std::nullopt, positional.size() < 2 ? "faltam os ficheiros de ENTRADA e de SAÍDA"
                                                    : "há ficheiros a mais: só ENTRADA e SAÍDA"};
    }
    o.input = positional[0];
    o.output = positional[1];
    return {o, {}};
}

}  // namespace tesra::cli
