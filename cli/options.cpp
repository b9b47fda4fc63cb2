#include "options.hpp"

#include "systems.hpp"

namespace tesra::cli {

std::string resolve_system(std::string_view text) {
    for (const SystemInfo& s : systems) {
        if (s.alias == text) return std::string(s.name);
    }
    return std::string(text);
}

std::string usage_text() {
    return "Uso: tesra-cli --from SISTEMA1 --to SISTEMA2 [--param-x FICHEIRO --param-y FICHEIRO]\n"
           "                [--decimal-separator CARÁCTER] [--grid-dir PASTA]\n"
           "                [--separator SEP] [--decimal-comma] [--skip-lines N] [--encoding COD] [--auto]\n"
           "                ENTRADA SAÍDA\n"
           "     tesra-cli --list | --help | --version\n"
           "\n"
           "Transforma as coordenadas do ficheiro de pontos ENTRADA (Nome, M, P) do SISTEMA1\n"
           "para o SISTEMA2 e escreve o relatório em SAÍDA.\n"
           "\n"
           "  --from, --to            nome exato do sistema, ou a sua abreviatura (ver --list)\n"
           "  --param-x, --param-y    ficheiros de parâmetros da transformação \"Qualquer\"\n"
           "  --decimal-separator C   separador decimal do relatório (por omissão, o do locale)\n"
           "  --grid-dir PASTA        pasta dos ficheiros de grelha (por omissão, a do programa)\n"
           "\n"
           "Ficheiros de folhas de cálculo (por omissão, o formato Nome, M, P em Windows-1252):\n"
           "  --separator SEP         , (por omissão), ; , tab ou auto: com ; e tab, um ponto por linha\n"
           "  --decimal-comma         números com vírgula decimal (só com ; ou tab)\n"
           "  --skip-lines N          salta as N primeiras linhas\n"
           "  --encoding COD          cp1252 (por omissão), utf-8 ou auto\n"
           "  --auto                  --separator auto --encoding auto, e salta uma linha de títulos\n"
           "  --list                  mostra os sistemas e as transformações disponíveis\n"
           "\n"
           "Estado de saída: 0 ficheiro criado; 1 transformação recusada ou falhada; 2 erro de uso.\n";
}

ParseResult parse_options(const std::vector<std::string_view>& args) {
    Options o;
    bool automatic = false;  // --auto: what --separator and --encoding leave unsaid is detected
    std::optional<PointFileDialect::Separator> separator;
    std::optional<PointFileDialect::Encoding> encoding;
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
        if (key == "--help" || key == "--version" || key == "--list" || key == "--auto" || key == "--decimal-comma") {
            if (value) return {std::nullopt, "a opção " + std::string(key) + " não leva valor"};
            if (key == "--auto") automatic = true;
            else if (key == "--decimal-comma") o.dialect.decimal_comma = true;
            else (key == "--help" ? o.help : key == "--version" ? o.version : o.list) = true;
            continue;
        }
        const bool known = key == "--from" || key == "--to" || key == "--param-x" || key == "--param-y" ||
                           key == "--decimal-separator" || key == "--grid-dir" || key == "--separator" ||
                           key == "--skip-lines" || key == "--encoding";
        if (!known) return {std::nullopt, "opção desconhecida: " + std::string(key)};
        if (!value) {
            if (i + 1 == args.size()) return {std::nullopt, "falta o valor da opção " + std::string(key)};
            value = args[++i];
        }
        if (key == "--from") o.from = resolve_system(*value);
        else if (key == "--to") o.to = resolve_system(*value);
        else if (key == "--param-x") o.param_x = *value;
        else if (key == "--param-y") o.param_y = *value;
        else if (key == "--grid-dir") o.grid_dir = std::string(*value);
        else if (key == "--separator") {
            using S = PointFileDialect::Separator;
            const std::optional<S> s = *value == "," ? S::comma : *value == ";" ? S::semicolon
                                     : *value == "tab" ? S::tab : *value == "auto" ? std::optional(S::automatic)
                                                                                   : std::nullopt;
            if (!s) return {std::nullopt, "o separador deve ser , ; tab ou auto"};
            separator = *s;
        } else if (key == "--encoding") {
            using E = PointFileDialect::Encoding;
            const std::optional<E> e = *value == "cp1252" ? E::cp1252 : *value == "utf-8" ? E::utf8
                                     : *value == "auto" ? std::optional(E::automatic) : std::nullopt;
            if (!e) return {std::nullopt, "a codificação deve ser cp1252, utf-8 ou auto"};
            encoding = *e;
        } else if (key == "--skip-lines") {
            const bool digits = !value->empty() && value->size() <= 9 &&
                                value->find_first_not_of("0123456789") == std::string_view::npos;
            if (!digits) return {std::nullopt, "--skip-lines leva um número de linhas (0 ou mais)"};
            o.dialect.skip_lines = std::stol(std::string(*value));
        } else {
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
    if (automatic) o.dialect.header = true;
    o.dialect.separator = separator.value_or(automatic ? PointFileDialect::Separator::automatic
                                                       : PointFileDialect::Separator::comma);
    o.dialect.encoding = encoding.value_or(automatic ? PointFileDialect::Encoding::automatic
                                                     : PointFileDialect::Encoding::cp1252);
    if (o.dialect.decimal_comma && o.dialect.separator == PointFileDialect::Separator::comma) {
        return {std::nullopt, "--decimal-comma só com --separator \";\", tab ou auto: com vírgulas entre os "
                              "campos, a vírgula não pode ser também o separador decimal"};
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
