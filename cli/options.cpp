#include "options.hpp"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <set>

#include "systems.hpp"

namespace tesra::cli {

std::string resolve_system(std::string_view text) {
    for (const SystemInfo& s : systems) {
        if (s.alias == text) return std::string(s.name);
    }
    return std::string(text);
}

std::string usage_text() {
    return "Uso: tesra-cli --from SISTEMA1 --to SISTEMA2 [opções] ENTRADA SAÍDA\n"
           "     tesra-cli --from SISTEMA1 --to SISTEMA2 [opções] --output-dir PASTA ENTRADA...\n"
           "     tesra-cli --list | --help | --version\n"
           "\n"
           "Transforma as coordenadas do ficheiro de pontos ENTRADA (Nome, M, P) do SISTEMA1\n"
           "para o SISTEMA2 e escreve o resultado em SAÍDA. \"-\" como ENTRADA lê a entrada\n"
           "padrão; \"-\" como SAÍDA escreve na saída padrão.\n"
           "\n"
           "  --from, --to            nome exato do sistema, ou a sua abreviatura (ver --list)\n"
           "  --param-x, --param-y    ficheiros de parâmetros da transformação \"Qualquer\"\n"
           "  --format FORMATO        report (relatório, por omissão), points (ficheiro de\n"
           "                          pontos, que se pode transformar de novo), csv ou geojson\n"
           "  --precision N           casas decimais de csv e geojson, de 0 a 9 (por omissão, 3)\n"
           "  --decimal-separator C   separador decimal do relatório (por omissão, o do locale)\n"
           "  --on-error stop|skip    um ponto que não se pode transformar para tudo (stop, por\n"
           "                          omissão) ou é deixado de fora e indicado (skip)\n"
           "  --rejects FICHEIRO      com skip, guarda os pontos deixados de fora, como foram lidos\n"
           "  --output-dir PASTA      lote: uma saída por ENTRADA, com o mesmo nome, na PASTA\n"
           "  --jobs N                ficheiros do lote transformados ao mesmo tempo (por\n"
           "                          omissão, um por processador)\n"
           "  --grid-dir PASTA        pasta dos ficheiros de grelha (por omissão, a do programa)\n"
           "  --list                  mostra os sistemas e as transformações disponíveis\n"
           "\n"
           "Estado de saída: 0 ficheiro(s) criado(s); 1 transformação recusada ou falhada (num\n"
           "lote, em algum ficheiro); 2 erro de uso; 3 ficheiro(s) criado(s), com pontos deixados\n"
           "de fora (--on-error skip).\n";
}

std::string batch_output_path(const std::string& dir, std::string_view input, OutputFormat format) {
    std::string name(input.substr(input.rfind('/') + 1));
    if (format == OutputFormat::csv || format == OutputFormat::geojson) {
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) name.resize(dot);
        name += format == OutputFormat::csv ? ".csv" : ".geojson";
    }
    return dir + (dir.empty() || dir.back() == '/' ? "" : "/") + name;
}

namespace {

// A whole decimal number from low to high, or nothing.
std::optional<int> whole_number(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

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
                           key == "--decimal-separator" || key == "--grid-dir" || key == "--format" ||
                           key == "--precision" || key == "--on-error" || key == "--rejects" ||
                           key == "--output-dir" || key == "--jobs";
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
        else if (key == "--rejects") o.rejects = *value;
        else if (key == "--output-dir") o.output_dir = std::string(*value);
        else if (key == "--format") {
            constexpr std::pair<std::string_view, OutputFormat> formats[] = {
                {"report", OutputFormat::report}, {"points", OutputFormat::points},
                {"csv", OutputFormat::csv}, {"geojson", OutputFormat::geojson}};
            const auto* f = std::find_if(std::begin(formats), std::end(formats), [&](const auto& f) { return f.first == *value; });
            if (f == std::end(formats)) return {std::nullopt, "formato desconhecido: " + std::string(*value) +
                                                                  " (report, points, csv ou geojson)"};
            o.format = f->second;
        } else if (key == "--precision") {
            const std::optional<int> n = whole_number(*value, 0, max_fixed_decimals);
            if (!n) return {std::nullopt, "--precision leva um número de casas decimais de 0 a 9"};
            o.precision = *n;
        } else if (key == "--jobs") {
            const std::optional<int> n = whole_number(*value, 1, 1 << 20);
            if (!n) return {std::nullopt, "--jobs leva um número de ficheiros a partir de 1"};
            o.jobs = static_cast<unsigned>(*n);
        } else if (key == "--on-error") {
            if (*value != "stop" && *value != "skip") return {std::nullopt, "--on-error leva stop ou skip"};
            o.skip_faulty_points = *value == "skip";
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
                return {std::nullopt, "dois ficheiros de entrada dariam a mesma saída em " + *o.output_dir + ": " +
                                          std::string(input.substr(input.rfind('/') + 1))};
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
