// Hostile input and faulty surroundings, each run through tesra-cli as a
// child process.
// Every case checks the whole promise of a refused or failed job: the
// scratch directory holds exactly what it held before (input bytes
// unchanged, no report, no intermediate file, links and devices left
// alone), no completion message, and one message that names the file, the
// line where there is one, and the fault.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support.hpp"
#include "grid.hpp"

namespace tesra::robust {
namespace {

using namespace std::string_view_literals;

// Madeira points (Base SE) and mainland points (Datum 73, inside the grid).
constexpr std::string_view madeira_points =
    "Funchal,320655.420,3614050.180\r\nMachico,334010.330,3624060.910\r\n";
constexpr std::string_view mainland_points = "Lisboa,-87345.210,-104877.530\r\nPorto,-41190.880,165002.410\r\n";

std::vector<std::string> job_args(std::string from, std::string to, std::string input = "pontos.txt",
                                  std::string output = "relatorio.txt") {
    return {"--from", std::move(from), "--to", std::move(to), "--decimal-separator", ".", "--grid-dir", "grelhas",
            std::move(input), std::move(output)};
}

std::vector<std::string> madeira_args(std::string input = "pontos.txt", std::string output = "relatorio.txt") {
    return job_args("madeira", "utm28", std::move(input), std::move(output));
}

std::vector<std::string> generic_args(std::string input = "pontos.txt", std::string output = "relatorio.txt") {
    std::vector<std::string> args = {"--param-x", "px.txt", "--param-y", "py.txt"};
    for (std::string& a : job_args("qualquer", "", std::move(input), std::move(output))) args.push_back(a);
    return args;
}

using Setup = std::function<void(const ScratchDir&)>;

// The usual surroundings: grids of a plain shift in grelhas/, identity
// parameter files, and the given input.
Setup with_input(std::string bytes) {
    return [bytes = std::move(bytes)](const ScratchDir& dir) {
        make_dir(dir / "grelhas");
        write_shift_grids(dir / "grelhas", grid_73_to_lisboa.m_file, grid_73_to_lisboa.p_file);
        write_shift_grids(dir / "grelhas", grid_lisboa_to_73.m_file, grid_lisboa_to_73.p_file);
        write_file(dir / "px.txt", identity_x_parameters());
        write_file(dir / "py.txt", identity_y_parameters());
        write_file(dir / "pontos.txt", bytes);
    };
}

Setup then(Setup first, Setup second) {
    return [first = std::move(first), second = std::move(second)](const ScratchDir& dir) {
        first(dir);
        second(dir);
    };
}

struct FaultCase {
    std::string name;
    Setup setup;
    std::vector<std::string> args;
    std::vector<std::string> message;  // pieces the one message must contain
    std::vector<std::string> left_behind = {};  // entries the job leaves, as specified
    std::optional<rlim_t> file_size_limit = std::nullopt;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

std::string repeat(std::string_view piece, std::size_t times) {
    std::string s;
    s.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) s += piece;
    return s;
}

// Deterministic bytes of every value, as a file of the wrong kind would hold.
std::string garbage(std::size_t size) {
    std::string s(size, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return s;
}

std::vector<FaultCase> output_cases() {
    const Setup normal = with_input(std::string(madeira_points));
    return {
        {"OutputOnFullDevice", then(normal, [](const ScratchDir& d) { make_symlink("/dev/full", d / "cheio"); }),
         madeira_args("pontos.txt", "cheio"), {"\"cheio\"", "o disco está cheio"}},
        {"OutputInMissingDirectory", normal, madeira_args("pontos.txt", "nao-existe/relatorio.txt"),
         {"\"nao-existe/relatorio.txt\"", "a pasta não existe"}},
        {"OutputIsADirectory", then(normal, [](const ScratchDir& d) { make_dir(d / "pasta"); }),
         madeira_args("pontos.txt", "pasta"), {"\"pasta\"", "é uma pasta"}},
        {"OutputPastFileSizeLimit", normal, madeira_args(), {"\"relatorio.txt\"", "excede o tamanho"}, {}, 200},
        // The link stays, and so does the old report it leads to.
        {"OutputLinkToAUserFileWhenTheWriteFails",
         then(normal,
              [](const ScratchDir& d) {
                  make_dir(d / "sub");
                  write_file(d / "sub/antigo.txt", "relatório antigo\r\n");
                  make_symlink("sub/antigo.txt", d / "saida");
              }),
         madeira_args("pontos.txt", "saida"), {"\"saida\"", "excede o tamanho"}, {}, 200},
        {"IntermediatePastFileSizeLimit", normal, madeira_args(), {"\"pontos.txt (intermédio)\"", "excede o tamanho"},
         {}, 40},
        {"OutputIsTheInput", normal, madeira_args("pontos.txt", "pontos.txt"), {"próprio ficheiro de entrada"}},
        {"OutputIsTheInputSpeltWithDot", normal, madeira_args("pontos.txt", "./pontos.txt"),
         {"\"./pontos.txt\"", "próprio ficheiro de entrada"}},
        {"OutputIsTheInputThroughParent", then(normal, [](const ScratchDir& d) { make_dir(d / "sub"); }),
         madeira_args("pontos.txt", "sub/../pontos.txt"), {"próprio ficheiro de entrada"}},
        {"OutputIsALinkToTheInput",
         then(normal, [](const ScratchDir& d) { make_symlink("pontos.txt", d / "atalho"); }),
         madeira_args("pontos.txt", "atalho"), {"\"atalho\"", "próprio ficheiro de entrada"}},
        {"OutputIsAHardLinkToTheInput",
         then(normal, [](const ScratchDir& d) { make_hard_link(d / "pontos.txt", d / "outro-nome"); }),
         madeira_args("pontos.txt", "outro-nome"), {"próprio ficheiro de entrada"}},
        {"OutputIsAGridFile", normal, madeira_args("pontos.txt", "./grelhas/73_lx_m.asc"),
         {"\"./grelhas/73_lx_m.asc\"", "ficheiros de grelha"}},
        {"OutputIsAParameterFile", normal, generic_args("pontos.txt", "./py.txt"),
         {"\"./py.txt\"", "ficheiros de parâmetros"}},
    };
}

std::vector<FaultCase> input_cases() {
    auto input = [](std::string bytes) { return with_input(std::move(bytes)); };
    return {
        {"InputMissing", then(input(""), [](const ScratchDir& d) { ::unlink((d / "pontos.txt").c_str()); }),
         madeira_args(), {"\"pontos.txt\"", "o ficheiro não existe"}},
        {"InputIsADirectory", then(input(""), [](const ScratchDir& d) { make_dir(d / "pasta"); }),
         madeira_args("pasta"), {"\"pasta\"", "é uma pasta"}},
        {"InputIsALinkToAnEndlessDevice",
         then(input(""), [](const ScratchDir& d) { make_symlink("/dev/zero", d / "zeros"); }),
         madeira_args("zeros"), {"\"zeros\", linha 1", "mais de 1048576 caracteres"}},
        // A name of 252 bytes is allowed; with "_tmp" it is one byte too long.
        {"InputIsBinaryGarbage", input(garbage(64 * 1024)), madeira_args(), {"\"pontos.txt\"", ", linha "}},
        {"InputHasNulInANumber", input(std::string("Funchal,320655.4\0""20,3614050.180\r\n"sv)), madeira_args(),
         {"\"pontos.txt\", linha 1", "o valor de M não é um número: \"320655.4?20\""}},
        {"InputHasNulInAName", input(std::string("Funchal,320655.420,3614050.180\r\nMa\0ico,1,2\r\n"sv)),
         madeira_args(), {"\"pontos.txt\", linha 2", "\"Ma?ico\" contém bytes nulos"}},
        // What a crash leaves at the end of a file that was being written.
        {"InputEndsInZeros", input("Funchal,320655.420,3614050.180\r\nMachico,1,2\r\n" + std::string(4096, '\0')),
         madeira_args(), {"\"pontos.txt\", linha 3", "contém bytes nulos", "danificado"}},
        {"InputIsUtf16", input(std::string("\xFF\xFE" "F\0u\0n\0,\0" "1\0,\0" "2\0\r\0\n\0"sv)), madeira_args(),
         {"\"pontos.txt\", linha 1", "contém bytes nulos"}},
        {"InputIsCrOnlyWithAFaultOnLineThree", input("A,320655.4,3614050.1\rB,320655.4,3614050.1\rC,x,1\r"),
         madeira_args(), {"\"pontos.txt\", linha 3", "o valor de M não é um número: \"x\""}},
        {"InputIsOneFieldOf50MB",
         then(input(""),
              [](const ScratchDir& d) { write_file(d / "pontos.txt", repeat("Funchal ", 50 * 1024 * 1024 / 8)); }),
         madeira_args(),
         {"\"pontos.txt\", linha 1", "mais de 1048576 caracteres"}},
        {"InputEndsAfterAName", input("Funchal,320655.420,3614050.180\r\nMachico"), madeira_args(),
         {"\"pontos.txt\", linha 2", "termina antes do valor de M"}},
        {"InputEndsInsideARecord", input("Funchal,320655.420,3614050.180\r\nMachico,334010.330"), madeira_args(),
         {"\"pontos.txt\", linha 2", "termina antes do valor de P"}},
        {"InputEndsAfterAComma", input("Funchal,320655.420,3614050.180\r\nMachico,334010.330,"), madeira_args(),
         {"\"pontos.txt\", linha 2", "termina antes do valor de P"}},
        {"InputEndsInsideAQuotedName", input("Funchal,320655.420,3614050.180\r\n\"Mach"), madeira_args(),
         {"\"pontos.txt\", linha 2", "termina antes do valor de M"}},
        {"NumberOverflowsDouble", input("Funchal,1e999,3614050.180\r\n"), madeira_args(),
         {"linha 1", "o valor de M não é um número: \"1e999\""}},
        {"NumberIsNan", input("Funchal,320655.420,nan\r\n"), madeira_args(),
         {"linha 1", "o valor de P não é um número: \"nan\""}},
        {"NumberIsInfinity", input("Funchal,-inf,3614050.180\r\n"), madeira_args(),
         {"linha 1", "o valor de M não é um número: \"-inf\""}},
        {"NumberIsHexFloat", input("Funchal,320655.420,3614050.180\r\nMachico,0x1p3,3624060.910\r\n"),
         madeira_args(), {"linha 2", "o valor de M não é um número: \"0x1p3\""}},
        {"NumberIsMissing", input("Funchal,,3614050.180\r\n"), madeira_args(), {"linha 1", "falta o valor de M"}},
        // "1,5" reads as two fields, so a decimal comma leaves fields over at
        // the end of its line; with numeric point names the fields that
        // follow would otherwise read as records of the wrong values.
        {"DecimalCommaInP", input("Funchal,320655.420,3614050,180\r\nMachico,334010.330,3624060.910\r\n"),
         madeira_args(), {"\"pontos.txt\", linha 1", "campos a mais no fim da linha, a partir de \"180\""}},
        {"DecimalCommaInM", input("Funchal,320655,420,3614050.180\r\n"), madeira_args(),
         {"\"pontos.txt\", linha 1", "campos a mais no fim da linha, a partir de \"3614050.180\"", "vírgula"}},
        {"DecimalCommasWithNumericNames",
         input("101,320655,420,3614050,180\r\n102,322510,900,3621330,070\r\n103,293100,250,3637780,600\r\n"),
         madeira_args(), {"\"pontos.txt\", linha 1", "a partir de \"3614050\"", "vírgula decimal"}},
        {"DecimalCommaOnALaterLine",
         input("101,320655.420,3614050.180\r\n102,322510.900,3621330.070,103\r\n104,1,2\r\n"), madeira_args(),
         {"\"pontos.txt\", linha 2", "a partir de \"103\""}},
        {"NameHoldsAQuote", input("Funchal,320655.420,3614050.180\r\nMarco 5\"B,3,4\r\n"), madeira_args(),
         {"\"pontos.txt\", linha 2", "aspas"}},
        {"LineStartsWithAComma", input("Funchal,320655.420,3614050.180\r\n,334010.330,3624060.910\r\n"),
         madeira_args(), {"\"pontos.txt\", linha 2", "começa por uma vírgula"}},
        {"OverflowInThePolynomial", input("Funchal,1e300,3614050.180\r\n"), madeira_args(),
         {"\"pontos.txt\", linha 1", "\"Funchal\"", "não são números finitos"}},
        {"OverflowOfANegativeValue", input("Lisboa,-87345.210,-1e300\r\n"), job_args("d73", "tm06"),
         {"\"pontos.txt\", linha 1", "\"Lisboa\"", "não são números finitos"}},
        {"HugeValueOutsideTheGrid", input("Lisboa,-87345.210,1e200\r\n"), job_args("lisboa", "tm06"),
         {"ERRO!! Ponto para além dos limites. (-87345.21; 1e+200)"}},
        {"OldReportIsKeptWhenTheInputIsBad",
         then(input("Funchal,x,1\r\n"), [](const ScratchDir& d) { write_file(d / "relatorio.txt", "antigo\r\n"); }),
         madeira_args(), {"linha 1", "o valor de M não é um número"}},
    };
}

std::vector<FaultCase> parameter_cases() {
    const Setup normal = with_input(std::string(madeira_points));
    auto x_file = [normal](std::string text) {
        return then(normal, [text = std::move(text)](const ScratchDir& d) { write_file(d / "px.txt", text); });
    };
    auto y_file = [normal](std::string text) {
        return then(normal, [text = std::move(text)](const ScratchDir& d) { write_file(d / "py.txt", text); });
    };
    const std::vector<std::string> x_numbers = {"0", "0", "0", "0", "1", "1", "0", "1", "0", "0", "0", "0"};
    const std::vector<std::string> y_numbers = {"0", "0", "0", "0", "1", "1", "0", "0", "1", "0", "0", "0"};
    auto y_with = [&](std::size_t index, std::string value) {
        std::vector<std::string> n = y_numbers;
        n[index] = std::move(value);
        return parameter_text("Y", n);
    };
    return {
        {"ParameterFileXMissing",
         then(normal, [](const ScratchDir& d) { ::unlink((d / "px.txt").c_str()); }), generic_args(),
         {"\"px.txt\"", "o ficheiro não existe"}},
        {"ParameterFileYMissing",
         then(normal, [](const ScratchDir& d) { ::unlink((d / "py.txt").c_str()); }), generic_args(),
         {"\"py.txt\"", "o ficheiro não existe"}},
        {"ParameterFileIsADirectory",
         then(normal,
              [](const ScratchDir& d) {
                  ::unlink((d / "px.txt").c_str());
                  make_dir(d / "px.txt");
              }),
         generic_args(), {"\"px.txt\"", "é uma pasta"}},
        {"ParameterFileEmpty", x_file(""), generic_args(), {"\"px.txt\", linha 1", "termina antes da descrição"}},
        {"ParameterFileShort", y_file(parameter_text("Y", {"0", "0", "0", "0", "1", "1", "0", "0"})),
         generic_args(), {"\"py.txt\", linha 11", "termina antes do valor de coef_p (2)"}},
        {"ParameterFileNonNumeric", y_file(y_with(4, "um")), generic_args(),
         {"\"py.txt\", linha 8", "o valor de Const_X não é um número: \"um\""}},
        {"ParameterFileNan", x_file(parameter_text("X", {"0", "0", "0", "nan"})), generic_args(),
         {"\"px.txt\", linha 7", "Falsa origem em Y no Sistema 2 não é um número: \"nan\""}},
        {"ParameterFileIsBinaryGarbage", x_file(garbage(4096)), generic_args(), {"\"px.txt\""}},
        {"ParameterFileWrongMarker", x_file(parameter_text("Y", x_numbers)), generic_args(),
         {"Erro! Esperado 'X' no ficheiro de parâmetros -X"}},
        {"ConstXZero", y_file(y_with(4, "0")), generic_args(),
         {"\"pontos.txt\", linha 1", "\"Funchal\"", "não são números finitos"}},
        {"ConstYZero", y_file(y_with(5, "0.0")), generic_args(),
         {"\"pontos.txt\", linha 1", "\"Funchal\"", "não são números finitos"}},
        // Its 15-digit written form would round past the largest double.
        {"ValueTooLargeForTheIntermediate", with_input("Funchal,1,1.7976931348623157e308\r\n"), generic_args(),
         {"\"pontos.txt\", linha 1", "\"Funchal\"", "não são números finitos"}},
        {"CoefficientOverflows", y_file(y_with(11, "1e308")), generic_args(),
         {"\"pontos.txt\", linha 1", "\"Funchal\"", "não são números finitos"}},
    };
}

std::vector<FaultCase> grid_cases() {
    const Setup normal = with_input(std::string(mainland_points));
    auto remove = [](std::string name) {
        return [name = std::move(name)](const ScratchDir& d) { ::unlink((d / ("grelhas/" + name)).c_str()); };
    };
    auto m_grid = [](std::function<double(int, int)> value) {
        return [value = std::move(value)](const ScratchDir& d) {
            write_grid(d / "grelhas/73_lx_m.asc", value);
        };
    };
    auto node_m = [](int, int c) { return grid_west + (c - 1) * grid_spacing + shift_m; };
    const std::string missing = "Os Ficheiros 73_lx_m.asc e 73_lx_p.asc não existem !!";
    // Porto (-41190.88, 165002.41) lies in cell (row 25, column 20), whose
    // south corners (26, 20) and (26, 21) it shares with the cell below.
    return {
        {"GridFilesBothMissing", then(then(normal, remove("73_lx_m.asc")), remove("73_lx_p.asc")),
         job_args("d73", "lisboa"), {missing}},
        {"GridFilePMissing", then(normal, remove("73_lx_p.asc")), job_args("d73", "lisboa"), {missing}},
        {"ReverseGridFileMMissing", then(normal, remove("lx_et_m.asc")), job_args("lisboa", "d73"),
         {"Os Ficheiros lx_et_m.asc e lx_et_p.asc não existem !!"}},
        {"GridDirectoryMissing", normal, [] {
             auto a = job_args("d73", "lisboa");
             a[7] = "nao-existe";
             return a;
         }(), {missing}},
        {"GridFileEmpty",
         then(normal, [](const ScratchDir& d) { write_file(d / "grelhas/73_lx_m.asc", ""); }),
         job_args("d73", "lisboa"), {"grelhas/73_lx_m.asc\"", "tem só 0 valores; são precisos 8118"}},
        {"GridFileShort",
         then(normal,
              [](const ScratchDir& d) {
                  const std::string full = read_file(d / "grelhas/73_lx_p.asc");
                  write_file(d / "grelhas/73_lx_p.asc", full.substr(0, full.size() / 2));
              }),
         job_args("d73", "lisboa"), {"grelhas/73_lx_p.asc\"", "são precisos 8118"}},
        {"GridFileNonNumber",
         then(normal, [](const ScratchDir& d) {
             std::string text = read_file(d / "grelhas/73_lx_m.asc");
             // The 7th value of row 5.
             std::size_t at = 0;
             for (int line = 1; line < 5; ++line) at = text.find('\n', at) + 1;
             for (int v = 1; v < 7; ++v) at = text.find(' ', at) + 1;
             text.replace(at, text.find(' ', at) - at, "1.0.0");
             write_file(d / "grelhas/73_lx_m.asc", text);
         }),
         job_args("d73", "lisboa"), {"grelhas/73_lx_m.asc\", linha 5", "nó (5, 7) não é um número: \"1.0.0\""}},
        {"GridNoDataCornerInPGridOnly",
         then(normal, [](const ScratchDir& d) {
             write_grid(d / "grelhas/73_lx_p.asc", [](int r, int c) {
                 return r == 26 && c == 21 ? grid_no_data : grid_north - (r - 1) * grid_spacing + shift_p;
             });
         }),
         job_args("d73", "lisboa"), {"ERRO!! Ponto para além dos limites. (-41190.88; 165002.41)"}},
        {"GridNoDataNorthWestCorner",
         then(normal, m_grid([node_m](int r, int c) { return r == 26 && c == 20 ? grid_no_data : node_m(r, c); })),
         job_args("d73", "lisboa"), {"ERRO!! Ponto para além dos limites. (-41190.88; 165002.41)"}},
        {"GridNoDataInTheSecondRoutine",
         then(normal, m_grid([node_m](int r, int c) { return r == 26 && c == 20 ? grid_no_data : node_m(r, c); })),
         job_args("tm06", "lisboa"), {"ERRO!! Ponto para além dos limites. ("}},
        {"GridPointOutside", with_input("Longe,185000.001,0\r\n"), job_args("d73", "lisboa"),
         {"ERRO!! Ponto para além dos limites. ( 185000.001; 0)"}},
        {"GridPointNotANumber", with_input("Longe,nan,0\r\n"), job_args("d73", "lisboa"),
         {"linha 1", "o valor de M não é um número"}},
        {"GridValuesOverflow",
         then(normal, m_grid([](int, int c) { return c % 2 == 0 ? 1.7e308 : -1.7e308; })),
         job_args("d73", "lisboa"), {"\"pontos.txt\", linha 1", "\"Lisboa\"", "não são números finitos"}},
    };
}

std::vector<FaultCase> all_cases() {
    std::vector<FaultCase> all;
    for (auto&& group : {output_cases(), input_cases(), parameter_cases(), grid_cases()}) {
        all.insert(all.end(), group.begin(), group.end());
    }
    return all;
}

std::vector<std::string> without(std::vector<std::string> lines, const std::vector<std::string>& names) {
    std::erase_if(lines, [&](const std::string& line) {
        for (const std::string& n : names) {
            if (line.rfind(n + ": ", 0) == 0) return true;
        }
        return false;
    });
    return lines;
}

void expect_names_the_fault(const std::string& message, const FaultCase& c) {
    for (const std::string& piece : c.message) {
        EXPECT_NE(message.find(piece), std::string::npos) << "missing \"" << piece << "\" in: " << message;
    }
}

class Fault : public testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override {
        GetParam().setup(dir_);
        before_ = snapshot(dir_.path());
    }

    void expect_directory_as_before() {
        const std::vector<std::string> after = snapshot(dir_.path());
        for (const std::string& name : GetParam().left_behind) {
            EXPECT_TRUE(std::any_of(after.begin(), after.end(),
                                    [&](const std::string& line) { return line.rfind(name + ": file", 0) == 0; }))
                << name << " should stay";
        }
        EXPECT_EQ(without(after, GetParam().left_behind), before_);
        struct stat st {};
        ASSERT_EQ(::stat("/dev/full", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/full is no longer a device";
    }

    ScratchDir dir_;
    std::vector<std::string> before_;
};

TEST_P(Fault, ThroughTheCommandLine) {
    const FaultCase& c = GetParam();
    const CliRun run = run_cli(dir_.path(), c.args, {c.file_size_limit});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one message, one line: " << run.err;
    expect_names_the_fault(run.err, c);
    expect_directory_as_before();
}

INSTANTIATE_TEST_SUITE_P(Hostile, Fault, testing::ValuesIn(all_cases()),
                         [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tesra::robust
