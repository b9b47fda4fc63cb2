#include "options.hpp"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <set>
#include <utility>

#include "geodesy/systems.hpp"
#include "jobs/refusals.hpp"
#include "text/errors.hpp"
#include "os.hpp"

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

// The systems a typed text stands for: those whose name, alias or EPSG name
// it is, in any case, with or without accents, or whose code it gives.
std::vector<const SystemInfo*> systems_named(std::string_view text) {
    const std::string typed = folded_name(text);
    const int code = epsg_code(typed);
    std::vector<const SystemInfo*> found;
    for (const SystemInfo& s : systems) {
        if (typed.empty()) break;
        const bool by_code = s.epsg != 0 && (code == s.epsg || typed == folded_name(s.epsg_name));
        if (typed == folded_name(s.name) || typed == s.alias || by_code) found.push_back(&s);
    }
    return found;
}

}  // namespace

std::string resolve_system(std::string_view text) {
    const std::vector<const SystemInfo*> found = systems_named(text);
    return found.size() == 1 ? std::string(found[0]->name) : std::string(text);
}

std::string shared_code_error(std::string_view text) {
    const std::vector<const SystemInfo*> found = systems_named(text);
    if (found.size() < 2) return {};
    std::string error = "EPSG:" + std::to_string(found[0]->epsg) + " serve " + std::to_string(found.size()) +
                        " sistemas, cada um com o seu polinómio oficial; escolha um:";
    for (const SystemInfo* s : found) {
        error.append("\n  ").append(s->alias).append(10 - std::min<std::size_t>(s->alias.size(), 8), ' ').append(s->name);
    }
    return error;
}

namespace {

// A whole decimal number from low to high, or nothing.
std::optional<int> whole_number(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

// The options as they are read: what --auto leaves to detection is known
// only once --separator and --encoding, wherever they stand, are read too.
struct Reading {
    Options options;
    bool automatic = false;
    std::optional<PointFileDialect::Separator> separator;
    std::optional<PointFileDialect::Encoding> encoding;
    std::optional<std::string> columns;  // read once --from is known
};

// Keeps an option's value (an option without one is only noted): the usage
// error, or nothing when the value is good.
using Keep = std::string (*)(Reading&, std::string_view value);

struct OptionSpec {
    std::string_view name;
    bool takes_value;
    Keep keep;
    // Its entry in --help: the left column and the lines beside it. None
    // when the column is empty: it is told beside another option, or in the
    // usage lines.
    std::string_view synopsis;
    std::string_view help;
    std::string_view section = {};  // the heading of the part of --help it starts
    char letter = 0;                // its one-letter form (-h), if any
};

// A file or folder name, kept as typed.
template <auto field>
std::string keep_name(Reading& r, std::string_view value) {
    r.options.*field = std::string(value);
    return {};
}

template <auto field>
std::string note(Reading& r, std::string_view) {
    r.options.*field = true;
    return {};
}

std::string keep_system(std::string& field, std::string_view value) {
    std::string error = shared_code_error(value);
    if (error.empty()) field = resolve_system(value);
    return error;
}

std::string keep_format(Reading& r, std::string_view value) {
    constexpr std::pair<std::string_view, OutputFormat> formats[] = {
        {"report", OutputFormat::report}, {"points", OutputFormat::points},
        {"csv", OutputFormat::csv}, {"geojson", OutputFormat::geojson}, {"geojson-crs", OutputFormat::geojson_crs}};
    const auto* f =
        std::find_if(std::begin(formats), std::end(formats), [&](const auto& f) { return f.first == value; });
    if (f == std::end(formats)) {
        return "formato desconhecido: " + std::string(value) + " (report, points, csv, geojson ou geojson-crs)";
    }
    r.options.format = f->second;
    return {};
}

std::string keep_whole_number(int& field, std::string_view value, int low, int high, std::string_view error) {
    const std::optional<int> n = whole_number(value, low, high);
    if (!n) return std::string(error);
    field = *n;
    return {};
}

std::string keep_count(unsigned& field, std::string_view value, int high, std::string_view error) {
    int n = 0;
    std::string refusal = keep_whole_number(n, value, 1, high, error);
    if (refusal.empty()) field = static_cast<unsigned>(n);
    return refusal;
}

std::string keep_separator(Reading& r, std::string_view value) {
    using S = PointFileDialect::Separator;
    const std::optional<S> s = value == "," ? S::comma : value == ";" ? S::semicolon
                             : value == "tab" ? S::tab : value == "space" || value == " " ? S::space
                             : value == "auto" ? std::optional(S::automatic) : std::nullopt;
    if (!s) return "o separador deve ser , ; tab, space ou auto";
    r.separator = *s;
    return {};
}

std::string keep_columns(Reading& r, std::string_view value) {
    r.columns = std::string(value);
    return {};
}

std::string keep_encoding(Reading& r, std::string_view value) {
    using E = PointFileDialect::Encoding;
    const std::optional<E> e = value == "cp1252" ? E::cp1252 : value == "utf-8" ? E::utf8
                             : value == "auto" ? std::optional(E::automatic) : std::nullopt;
    if (!e) return "a codificação deve ser cp1252, utf-8 ou auto";
    r.encoding = *e;
    return {};
}

std::string keep_skip_lines(Reading& r, std::string_view value) {
    const bool digits =
        !value.empty() && value.size() <= 9 && value.find_first_not_of("0123456789") == std::string_view::npos;
    if (!digits) return "--skip-lines leva um número de linhas (0 ou mais)";
    r.options.dialect.skip_lines = std::stol(std::string(value));
    return {};
}

std::string keep_decimal_separator(Reading& r, std::string_view value) {
    // One visible character that cannot be read as part of a number or
    // taken for a blank between the report's columns.
    const char c = value.empty() ? '\0' : value[0];
    if (value.size() != 1 || c <= ' ' || c > '~' || (c >= '0' && c <= '9') || c == '-' || c == '+' || c == 'e' ||
        c == 'E') {
        return "o separador decimal deve ser um só carácter visível que não faça parte de um número, como . ou ,";
    }
    r.options.decimal_separator = c;
    return {};
}

// Every option, in the order of --help.
constexpr OptionSpec option_table[] = {
    {"--from", true, [](Reading& r, std::string_view v) { return keep_system(r.options.from, v); }, "--from, --to",
     "nome do sistema, abreviatura, código EPSG (EPSG:3763\n"
     "ou 3763) ou nome EPSG (\"ETRS89 / Portugal TM06\"), sem\n"
     "distinguir maiúsculas nem acentos; ver --list"},
    {"--to", true, [](Reading& r, std::string_view v) { return keep_system(r.options.to, v); }, {}, {}},
    {"--param-x", true, keep_name<&Options::param_x>, "--param-x, --param-y",
     "ficheiros de parâmetros da transformação \"Qualquer\""},
    {"--param-y", true, keep_name<&Options::param_y>, {}, {}},
    {"--format", true, keep_format, "--format FORMATO",
     "report (relatório, por omissão), points (ficheiro de\n"
     "pontos, que se pode transformar de novo), csv,\n"
     "geojson (RFC 7946: longitude e latitude WGS 84, com as\n"
     "coordenadas do destino em m e p) ou geojson-crs (as\n"
     "coordenadas do destino, com o seu código EPSG), todos\n"
     "em UTF-8; um csv escrito num ficheiro leva ao lado um\n"
     ".prj com o sistema de destino"},
    {"--precision", true,
     [](Reading& r, std::string_view v) {
         return keep_whole_number(r.options.precision, v, 0, max_fixed_decimals,
                                  "--precision leva um número de casas decimais de 0 a 9");
     },
     "--precision N",
     "casas decimais de csv e geojson, de 0 a 9 (por\n"
     "omissão, 3), e dos graus em todos os formatos (por\n"
     "omissão, 9; dos segundos com --angle-format dms, 5)"},
    {"--angle-format", true,
     [](Reading& r, std::string_view v) -> std::string {
         if (v != "decimal" && v != "dms") return "--angle-format leva decimal ou dms";
         r.options.angles = v == "dms" ? AngleFormat::dms : AngleFormat::decimal;
         return {};
     },
     "--angle-format F",
     "latitude e longitude de destino em graus decimais\n"
     "(decimal, por omissão) ou em graus, minutos e\n"
     "segundos (dms: 38°42'33.30000\"N)"},
    {"--decimal-separator", true, keep_decimal_separator, "--decimal-separator C",
     "separador decimal do relatório (por omissão, o do\n"
     "locale)"},
    {"--on-error", true,
     [](Reading& r, std::string_view v) -> std::string {
         if (v != "stop" && v != "skip") return "--on-error leva stop ou skip";
         r.options.skip_faulty_points = v == "skip";
         return {};
     },
     "--on-error stop|skip",
     "um ponto que não se pode transformar para tudo\n"
     "(stop, por omissão) ou é deixado de fora e indicado\n"
     "(skip)"},
    {"--area", true,
     [](Reading& r, std::string_view v) -> std::string {
         if (v != "warn" && v != "stop") return "--area leva warn ou stop";
         r.options.stop_outside_area = v == "stop";
         return {};
     },
     "--area warn|stop",
     "um ponto fora da área do Sistema 1 é indicado no\n"
     "fim (warn, por omissão) ou para tudo como um ponto\n"
     "para além dos limites (stop; com skip, fica de fora)"},
    {"--rejects", true, keep_name<&Options::rejects>, "--rejects FICHEIRO",
     "com skip, guarda os pontos deixados de fora, como\n"
     "foram lidos"},
    {"--output-dir", true, keep_name<&Options::output_dir>, "--output-dir PASTA",
     "lote: uma saída por ENTRADA, com o mesmo nome, na\n"
     "PASTA"},
    {"--jobs", true,
     [](Reading& r, std::string_view v) {
         return keep_count(r.options.jobs, v, 1 << 20, "--jobs leva um número de ficheiros a partir de 1");
     },
     "--jobs N",
     "ficheiros do lote transformados ao mesmo tempo (por\n"
     "omissão, um por processador)"},
    // Each thread holds a chunk's output, about 400 KiB.
    {"--threads", true,
     [](Reading& r, std::string_view v) {
         return keep_count(r.options.threads, v, 64, "--threads leva um número de processadores de 1 a 64");
     },
     "--threads N",
     "processadores a usar em cada ficheiro grande (por\n"
     "omissão, todos os disponíveis; num lote de vários\n"
     "ficheiros ao mesmo tempo, 1)"},
    {"--grid-dir", true, keep_name<&Options::grid_dir>, "--grid-dir PASTA",
     "pasta dos ficheiros de grelha (por omissão, a do\n"
     "programa)"},
    {"--separator", true, keep_separator, "--separator SEP",
     ", (por omissão), ; , tab, space (espaços e\n"
     "tabulações) ou auto: sem ser ,, um ponto por linha",
     "Folhas de cálculo (por omissão, o formato Nome, M, P em Windows-1252):"},
    {"--decimal-comma", false,
     [](Reading& r, std::string_view) -> std::string { r.options.dialect.decimal_comma = true; return {}; },
     "--decimal-comma", "números com vírgula decimal (só com ; ou tab)"},
    {"--skip-lines", true, keep_skip_lines, "--skip-lines N", "salta as N primeiras linhas"},
    {"--columns", true, keep_columns, "--columns LISTA",
     "as colunas pela ordem: nome, m, p, cota ou - (uma\n"
     "coluna a mais), como m,p,nome, e lat e lon de um\n"
     "sistema geográfico; sem nome, cada ponto tem o número\n"
     "da sua linha"},
    {"--encoding", true, keep_encoding, "--encoding COD", "cp1252 (por omissão), utf-8 ou auto"},
    {"--auto", false, [](Reading& r, std::string_view) -> std::string { r.automatic = true; return {}; }, "--auto",
     "--separator auto --encoding auto, e salta uma linha\n"
     "de títulos"},
    {"--list", false, note<&Options::list>, "--list",
     "mostra os sistemas com o seu código EPSG e área de\n"
     "uso, e as transformações com o seu método e exatidão",
     "Outras opções:"},
    {"--quiet", false, note<&Options::quiet>, "-q, --quiet",
     "sem a linha \"Criado o ficheiro\" (as falhas são sempre\n"
     "indicadas)",
     {}, 'q'},
    {"--help", false, note<&Options::help>, "-h, --help", "mostra esta ajuda", {}, 'h'},
    {"--version", false, note<&Options::version>, "-V, --version", "mostra a versão", {}, 'V'},
};

// The width of --help's left column, after its indent of two.
constexpr std::size_t help_column = 24;

}  // namespace

std::string usage_text() {
    std::string text =
        "Uso: tesra-cli --from SISTEMA1 --to SISTEMA2 [opções] ENTRADA SAÍDA\n"
        "     tesra-cli --from SISTEMA1 --to SISTEMA2 [opções] --output-dir PASTA\n"
        "               ENTRADA...\n"
        "     tesra-cli --list | --help | --version\n"
        "\n"
        "Transforma as coordenadas do ficheiro de pontos ENTRADA (Nome, M, P) do\n"
        "SISTEMA1 para o SISTEMA2 e escreve o resultado em SAÍDA. \"-\" como ENTRADA lê\n"
        "a entrada padrão; \"-\" como SAÍDA escreve na saída padrão. Além das\n"
        "transformações do programa de janela, serve o sistema militar (militar,\n"
        "EPSG:20790) de e para os sistemas do continente, o regresso de UTM 25, 26 e\n"
        "28 ITRF93 a cada ilha, e latitude e longitude (ETRS89, PTRA08, WGS 84) e\n"
        "UTM 29 de e para todos eles (ver --list).\n"
        "\n";
    for (const OptionSpec& option : option_table) {
        if (!option.section.empty()) text.append("\n").append(option.section).append("\n");
        if (option.synopsis.empty()) continue;
        text.append("  ").append(option.synopsis).append(help_column - option.synopsis.size(), ' ');
        for (std::string_view help = option.help;;) {
            const std::size_t end = help.find('\n');
            text.append(help.substr(0, end)).append("\n");
            if (end == std::string_view::npos) break;
            help.remove_prefix(end + 1);
            text.append(2 + help_column, ' ');
        }
    }
    return text +
           "\n"
           "Estado de saída:\n"
           "  0    ficheiro(s) criado(s)\n"
           "  1    transformação recusada ou falhada (num lote, em algum ficheiro)\n"
           "  2    erro de uso: nada foi lido nem escrito\n"
           "  3    ficheiro(s) criado(s), com pontos deixados de fora (--on-error skip)\n"
           "  141  a saída padrão fechou-se antes do fim (como num filtro)\n"
           "  128 + o número do sinal: interrompido (SIGINT, SIGTERM, SIGHUP, SIGXFSZ); o\n"
           "       ficheiro de saída não foi criado nem alterado\n";
}

std::string wrap(std::string_view text, std::string_view first_indent, std::string_view indent, std::size_t width) {
    // Widths in characters: a UTF-8 byte that continues one takes no column.
    const auto columns = [](std::string_view s) {
        return static_cast<std::size_t>(
            std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    std::string out(first_indent);
    std::size_t used = columns(first_indent);
    bool line_empty = true;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line_empty && used + 1 + columns(word) > width) {
            out.append("\n").append(indent);
            used = columns(indent);
            line_empty = true;
        }
        if (!line_empty) {
            out += ' ';
            ++used;
        }
        out += word;
        used += columns(word);
        line_empty = false;
    }
    return out + "\n";
}

std::string batch_output_path(const std::string& dir, std::string_view input, OutputFormat format) {
    std::string name = os::name_of(std::string(input));
    if (format == OutputFormat::csv || format == OutputFormat::geojson || format == OutputFormat::geojson_crs) {
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) name.resize(dot);
        name += format == OutputFormat::csv ? ".csv" : ".geojson";
    }
    return os::join(dir, name);
}

std::string projection_path(const std::string& path) {
    std::filesystem::path prj(path);
    return prj.replace_extension(".prj").string();
}

ParseResult parse_options(const std::vector<std::string_view>& args) {
    Reading r;
    std::vector<std::string_view> positional;
    bool only_positional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        // "-" alone is the standard stream; "--" ends the options, so that
        // a file whose name starts with a dash can still be named.
        if (only_positional || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            only_positional = true;
            continue;
        }
        std::string_view key = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); eq != std::string_view::npos && arg[1] == '-') {
            key = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const auto* option = std::find_if(std::begin(option_table), std::end(option_table), [&](const OptionSpec& o) {
            return key[1] == '-' ? o.name == key : key.size() == 2 && o.letter != 0 && o.letter == key[1];
        });
        if (option == std::end(option_table)) return {std::nullopt, "opção desconhecida: " + std::string(key)};
        if (!option->takes_value) {
            if (value) return {std::nullopt, "a opção " + std::string(key) + " não leva valor"};
        } else if (!value) {
            if (i + 1 == args.size()) return {std::nullopt, "falta o valor da opção " + std::string(key)};
            value = args[++i];
        }
        if (std::string error = option->keep(r, value.value_or("")); !error.empty()) return {std::nullopt, error};
    }
    Options& o = r.options;
    if (r.columns) {
        const std::optional<System> from = find_system(o.from);
        std::string error = column_order(*r.columns, o.dialect.column_order, from && is_geographic(*from));
        if (!error.empty()) return {std::nullopt, error};
    }
    if (r.automatic) o.dialect.header = true;
    o.dialect.separator = r.separator.value_or(r.automatic ? PointFileDialect::Separator::automatic
                                                           : PointFileDialect::Separator::comma);
    o.dialect.encoding = r.encoding.value_or(r.automatic ? PointFileDialect::Encoding::automatic
                                                         : PointFileDialect::Encoding::cp1252);
    if (o.dialect.decimal_comma && o.dialect.separator == PointFileDialect::Separator::comma) {
        return {std::nullopt, "--decimal-comma só com --separator \";\", tab ou auto: com vírgulas entre os "
                              "campos, a vírgula não pode ser também o separador decimal"};
    }
    if (o.help || o.version || o.list) return {o, {}};
    if (o.from.empty()) return {std::nullopt, "falta --from (o sistema de origem)"};
    if (!o.rejects.empty() && !o.skip_faulty_points) return {std::nullopt, "--rejects só com --on-error skip"};
    if (o.output_dir) {
        if (!o.rejects.empty()) return {std::nullopt, "--rejects não se usa num lote (--output-dir)"};
        if (positional.empty()) return {std::nullopt, "faltam os ficheiros de ENTRADA do lote"};
        std::set<std::string> outputs;
        for (const std::string_view input : positional) {
            if (input == "-") return {std::nullopt, "um lote não lê a entrada padrão (\"-\")"};
            if (!outputs.insert(batch_output_path(*o.output_dir, input, o.format)).second) {
                return {std::nullopt, "dois ficheiros de entrada dariam a mesma saída em " + shown_name(*o.output_dir) +
                                          ": " + shown_name(os::name_of(std::string(input)))};
            }
            o.inputs.emplace_back(input);
        }
        return {o, {}};
    }
    if (positional.size() != 2) {
        return {std::nullopt, positional.size() < 2 ? "faltam os ficheiros de ENTRADA e de SAÍDA"
                                                    : "há ficheiros a mais: só ENTRADA e SAÍDA"};
    }
    o.input = positional[0];
    o.output = positional[1];
    return {o, {}};
}

}  // namespace tesra::cli
