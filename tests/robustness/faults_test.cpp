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

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support.hpp"
#include "geodesy/grid.hpp"

namespace tesra::robust {
namespace {

using namespace std::string_view_literals;

// Madeira points (Base SE) and mainland points (Datum 73, inside the grid).
const std::string madeira = "Funchal,320655.420,3614050.180\r\nMachico,334010.330,3624060.910\r\n";
const std::string mainland = "Lisboa,-87345.210,-104877.530\r\nPorto,-41190.880,165002.410\r\n";

std::vector<std::string> job_args(std::string from, std::string to, std::string input = "pontos.txt",
                                  std::string output = "relatorio.txt") {
    return {"--from", std::move(from), "--to", std::move(to), "--decimal-separator", ".", "--grid-dir", "grelhas",
            std::move(input), std::move(output)};
}

std::vector<std::string> madeira_args(std::string input = "pontos.txt", std::string output = "relatorio.txt") {
    return job_args("madeira", "utm28", std::move(input), std::move(output));
}

std::vector<std::string> generic_args(std::string output = "relatorio.txt") {
    std::vector<std::string> args = {"--param-x", "px.txt", "--param-y", "py.txt"};
    for (std::string& a : job_args("qualquer", "", "pontos.txt", std::move(output))) args.push_back(a);
    return args;
}

using Setup = std::function<void(const ScratchDir&)>;
// An input made only when its case runs: every process of these tests
// holds every case, and runs one.
using MakeBytes = std::function<std::string()>;

// The usual surroundings: grids of a plain shift in grelhas/, identity
// parameter files, and the given input; then whatever `more` changes.
Setup with_input(MakeBytes bytes, Setup more = {}) {
    return [bytes = std::move(bytes), more = std::move(more)](const ScratchDir& dir) {
        make_dir(dir / "grelhas");
        write_shift_grids(dir / "grelhas", grid_73_to_lisboa.m_file, grid_73_to_lisboa.p_file);
        write_shift_grids(dir / "grelhas", grid_lisboa_to_73.m_file, grid_lisboa_to_73.p_file);
        write_file(dir / "px.txt", identity_x_parameters());
        write_file(dir / "py.txt", identity_y_parameters());
        write_file(dir / "pontos.txt", bytes());
        if (more) more(dir);
    };
}

Setup with_input(std::string bytes, Setup more = {}) {
    return with_input([bytes = std::move(bytes)] { return bytes; }, std::move(more));
}

struct FaultCase {
    std::string name;
    Setup setup;
    std::vector<std::string> args;
    std::vector<std::string> message;  // pieces the one message must contain
    std::optional<std::uint64_t> file_size_limit = std::nullopt;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// Where the message must point in the input.
std::string at_line(int n) { return "\"pontos.txt\", linha " + std::to_string(n); }

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

using Dir = const ScratchDir&;

std::vector<FaultCase> output_cases() {
    const Setup normal = with_input(madeira);
    const std::string own_input = "próprio ficheiro de entrada";
    auto to = [](std::string output) { return madeira_args("pontos.txt", std::move(output)); };
    return {
        {"OutputOnFullDevice", with_input(madeira, [](Dir d) { make_symlink("/dev/full", d / "cheio"); }), to("cheio"),
         {"\"cheio\"", "o disco está cheio"}},
        {"OutputInMissingDirectory", normal, to("nao-existe/relatorio.txt"),
         {"\"nao-existe/relatorio.txt\"", "a pasta não existe"}},
        {"OutputIsADirectory", with_input(madeira, [](Dir d) { make_dir(d / "pasta"); }), to("pasta"),
         {"\"pasta\"", "é uma pasta"}},
        {"OutputPastFileSizeLimit", normal, madeira_args(), {"\"relatorio.txt\"", "excede o tamanho"}, 200},
        // The link stays, and so does the old report it leads to.
        {"OutputLinkToAUserFileWhenTheWriteFails", with_input(madeira, [](Dir d) {
             make_dir(d / "sub");
             write_file(d / "sub/antigo.txt", "relatório antigo\r\n");
             make_symlink("sub/antigo.txt", d / "saida");
         }), to("saida"), {"\"saida\"", "excede o tamanho"}, 200},
        // Onto standard output, the last routine writes an intermediate too.
        {"IntermediatePastFileSizeLimit", normal, to("-"), {"\"pontos.txt (intermédio)\"", "excede o tamanho"},
         40},
        {"OutputIsTheInput", normal, to("pontos.txt"), {own_input}},
        {"OutputIsTheInputSpeltWithDot", normal, to("./pontos.txt"), {"\"./pontos.txt\"", own_input}},
        {"OutputIsTheInputThroughParent", with_input(madeira, [](Dir d) { make_dir(d / "sub"); }),
         to("sub/../pontos.txt"), {own_input}},
        {"OutputIsALinkToTheInput", with_input(madeira, [](Dir d) { make_symlink("pontos.txt", d / "atalho"); }),
         to("atalho"), {"\"atalho\"", own_input}},
        {"OutputIsAHardLinkToTheInput",
         with_input(madeira, [](Dir d) { make_hard_link(d / "pontos.txt", d / "outro-nome"); }), to("outro-nome"),
         {own_input}},
        {"OutputIsAGridFile", normal, to("./grelhas/73_lx_m.asc"), {"\"./grelhas/73_lx_m.asc\"", "ficheiros de grelha"}},
        {"OutputIsAParameterFile", normal, generic_args("./py.txt"),
         {"\"./py.txt\"", "ficheiros de parâmetros"}},
    };
}

std::vector<FaultCase> input_cases() {
    // Most cases are the Madeira job on an input of their own.
    auto bad = [](std::string name, auto bytes, std::vector<std::string> message) {
        return FaultCase{std::move(name), with_input(std::move(bytes)), madeira_args(), std::move(message)};
    };
    const std::string m_nan = "o valor de M não é um número", finite = "não são números finitos";
    const std::string funchal = "Funchal,320655.420,3614050.180\r\n";
    return {
        {"InputMissing", with_input("", [](Dir d) { ::unlink((d / "pontos.txt").c_str()); }), madeira_args(),
         {"\"pontos.txt\"", "o ficheiro não existe"}},
        {"InputIsADirectory", with_input("", [](Dir d) { make_dir(d / "pasta"); }), madeira_args("pasta"),
         {"\"pasta\"", "é uma pasta"}},
        {"InputIsALinkToAnEndlessDevice", with_input("", [](Dir d) { make_symlink("/dev/zero", d / "zeros"); }),
         madeira_args("zeros"), {"\"zeros\", linha 1", "mais de 1048576 caracteres"}},
        bad("InputIsBinaryGarbage", [] { return garbage(64 * 1024); }, {"\"pontos.txt\"", ", linha "}),
        bad("InputHasNulInANumber", std::string("Funchal,320655.4\0""20,3614050.180\r\n"sv),
            {at_line(1), m_nan + ": \"320655.4?20\""}),
        bad("InputHasNulInAName", funchal + std::string("Ma\0ico,1,2\r\n"sv),
            {at_line(2), "\"Ma?ico\" contém bytes nulos"}),
        // What a crash leaves at the end of a file that was being written.
        bad("InputEndsInZeros", funchal + "Machico,1,2\r\n" + std::string(4096, '\0'),
            {at_line(3), "contém bytes nulos", "danificado"}),
        bad("InputIsUtf16", std::string("\xFF\xFE" "F\0u\0n\0,\0" "1\0,\0" "2\0\r\0\n\0"sv),
            {at_line(1), "contém bytes nulos"}),
        bad("InputIsCrOnlyWithAFaultOnLineThree", "A,320655.4,3614050.1\rB,320655.4,3614050.1\rC,x,1\r",
            {at_line(3), m_nan + ": \"x\""}),
        bad("InputIsOneFieldOf50MB", [] { return repeat("Funchal ", 50 * 1024 * 1024 / 8); },
            {at_line(1), "mais de 1048576 caracteres"}),
        bad("InputEndsAfterAName", funchal + "Machico", {at_line(2), "termina antes do valor de M"}),
        bad("InputEndsInsideARecord", funchal + "Machico,334010.330", {at_line(2), "termina antes do valor de P"}),
        bad("InputEndsAfterAComma", funchal + "Machico,334010.330,", {at_line(2), "termina antes do valor de P"}),
        bad("InputEndsInsideAQuotedName", funchal + "\"Mach", {at_line(2), "termina antes do valor de M"}),
        bad("NumberOverflowsDouble", "Funchal,1e999,3614050.180\r\n", {at_line(1), m_nan + ": \"1e999\""}),
        bad("NumberIsNan", "Funchal,320655.420,nan\r\n", {at_line(1), "o valor de P não é um número: \"nan\""}),
        bad("NumberIsInfinity", "Funchal,-inf,3614050.180\r\n", {at_line(1), m_nan + ": \"-inf\""}),
        bad("NumberIsHexFloat", funchal + "Machico,0x1p3,3624060.910\r\n", {at_line(2), m_nan + ": \"0x1p3\""}),
        bad("NumberIsMissing", "Funchal,,3614050.180\r\n", {at_line(1), "falta o valor de M"}),
        // "1,5" reads as two fields, so a decimal comma leaves fields over at
        // the end of its line; with numeric point names the fields that
        // follow would otherwise read as records of the wrong values.
        bad("DecimalCommaInP", "Funchal,320655.420,3614050,180\r\nMachico,334010.330,3624060.910\r\n",
            {at_line(1), "campos a mais no fim da linha, a partir de \"180\""}),
        bad("DecimalCommaInM", "Funchal,320655,420,3614050.180\r\n",
            {at_line(1), "campos a mais no fim da linha, a partir de \"3614050.180\"", "vírgula"}),
        bad("DecimalCommasWithNumericNames",
            "101,320655,420,3614050,180\r\n102,322510,900,3621330,070\r\n103,293100,250,3637780,600\r\n",
            {at_line(1), "a partir de \"3614050\"", "vírgula decimal"}),
        bad("DecimalCommaOnALaterLine", "101,320655.420,3614050.180\r\n102,322510.900,3621330.070,103\r\n104,1,2\r\n",
            {at_line(2), "a partir de \"103\""}),
        bad("NameHoldsAQuote", funchal + "Marco 5\"B,3,4\r\n", {at_line(2), "aspas"}),
        bad("LineStartsWithAComma", funchal + ",334010.330,3624060.910\r\n", {at_line(2), "começa por uma vírgula"}),
        bad("OverflowInThePolynomial", "Funchal,1e300,3614050.180\r\n", {at_line(1), "\"Funchal\"", finite}),
        {"OverflowOfANegativeValue", with_input("Lisboa,-87345.210,-1e300\r\n"), job_args("d73", "tm06"),
         {at_line(1), "\"Lisboa\"", finite}},
        {"HugeValueOutsideTheGrid", with_input("Lisboa,-87345.210,1e200\r\n"), job_args("lisboa", "tm06"),
         {"ERRO!! Ponto para além dos limites. (-87345.21; 1e+200)"}},
        {"OldReportIsKeptWhenTheInputIsBad",
         with_input("Funchal,x,1\r\n", [](Dir d) { write_file(d / "relatorio.txt", "antigo\r\n"); }), madeira_args(),
         {"linha 1", m_nan}},
    };
}

std::vector<FaultCase> parameter_cases() {
    auto file = [](std::string name, std::string text) {
        return with_input(madeira, [name, text](Dir d) { write_file(d / name, text); });
    };
    auto y_with = [](std::size_t index, std::string value) {
        std::vector<std::string> n = {"0", "0", "0", "0", "1", "1", "0", "0", "1", "0", "0", "0"};
        n[index] = std::move(value);
        return parameter_text("Y", n);
    };
    const std::vector<std::string> funchal_not_finite = {at_line(1), "\"Funchal\"", "não são números finitos"};
    return {
        {"ParameterFileXMissing", with_input(madeira, [](Dir d) { ::unlink((d / "px.txt").c_str()); }),
         generic_args(), {"\"px.txt\"", "o ficheiro não existe"}},
        {"ParameterFileYMissing", with_input(madeira, [](Dir d) { ::unlink((d / "py.txt").c_str()); }),
         generic_args(), {"\"py.txt\"", "o ficheiro não existe"}},
        {"ParameterFileIsADirectory", with_input(madeira, [](Dir d) {
             ::unlink((d / "px.txt").c_str());
             make_dir(d / "px.txt");
         }), generic_args(), {"\"px.txt\"", "é uma pasta"}},
        {"ParameterFileEmpty", file("px.txt", ""), generic_args(), {"\"px.txt\", linha 1", "termina antes da descrição"}},
        {"ParameterFileShort", file("py.txt", parameter_text("Y", {"0", "0", "0", "0", "1", "1", "0", "0"})),
         generic_args(), {"\"py.txt\", linha 11", "termina antes do valor de coef_p (2)"}},
        {"ParameterFileNonNumeric", file("py.txt", y_with(4, "um")), generic_args(),
         {"\"py.txt\", linha 8", "o valor de Const_X não é um número: \"um\""}},
        {"ParameterFileNan", file("px.txt", parameter_text("X", {"0", "0", "0", "nan"})), generic_args(),
         {"\"px.txt\", linha 7", "Falsa origem em Y no Sistema 2 não é um número: \"nan\""}},
        {"ParameterFileIsBinaryGarbage", file("px.txt", garbage(4096)), generic_args(), {"\"px.txt\""}},
        {"ParameterFileWrongMarker", file("px.txt", identity_y_parameters()), generic_args(),
         {"Erro! Esperado 'X' no ficheiro de parâmetros -X"}},
        {"ConstXZero", file("py.txt", y_with(4, "0")), generic_args(), funchal_not_finite},
        {"ConstYZero", file("py.txt", y_with(5, "0.0")), generic_args(), funchal_not_finite},
        // Its 15-digit written form would round past the largest double.
        {"ValueTooLargeForTheIntermediate", with_input("Funchal,1,1.7976931348623157e308\r\n"), generic_args(),
         funchal_not_finite},
        {"CoefficientOverflows", file("py.txt", y_with(11, "1e308")), generic_args(), funchal_not_finite},
    };
}

std::vector<FaultCase> grid_cases() {
    const Setup normal = with_input(mainland);
    auto remove = [](std::vector<std::string> names) {
        return with_input(mainland, [names](Dir d) {
            for (const std::string& name : names) ::unlink((d / ("grelhas/" + name)).c_str());
        });
    };
    auto grid = [](std::string name, std::function<double(int, int)> value) {
        return with_input(mainland, [name, value](Dir d) { write_grid(d / ("grelhas/" + name), value); });
    };
    // Porto (-41190.88, 165002.41) lies in cell (row 25, column 20), whose
    // south corners (26, 20) and (26, 21) it shares with the cell below.
    const auto m_without_26_20 = [](int r, int c) {
        return r == 26 && c == 20 ? grid_no_data : grid_west + (c - 1) * grid_spacing + shift_m;
    };
    const auto p_without_26_21 = [](int r, int c) {
        return r == 26 && c == 21 ? grid_no_data : grid_north - (r - 1) * grid_spacing + shift_p;
    };
    const std::string missing = "Os Ficheiros 73_lx_m.asc e 73_lx_p.asc não existem !!";
    const std::string outside = "ERRO!! Ponto para além dos limites. (";
    const std::vector<std::string> to_lisboa = job_args("d73", "lisboa");
    return {
        {"GridFilesBothMissing", remove({"73_lx_m.asc", "73_lx_p.asc"}), to_lisboa, {missing}},
        {"GridFilePMissing", remove({"73_lx_p.asc"}), to_lisboa, {missing}},
        {"ReverseGridFileMMissing", remove({"lx_et_m.asc"}), job_args("lisboa", "d73"),
         {"Os Ficheiros lx_et_m.asc e lx_et_p.asc não existem !!"}},
        {"GridDirectoryMissing", normal, [] {
             auto a = job_args("d73", "lisboa");
             a[7] = "nao-existe";
             return a;
         }(), {missing}},
        {"GridFileEmpty", with_input(mainland, [](Dir d) { write_file(d / "grelhas/73_lx_m.asc", ""); }), to_lisboa,
         {"grelhas/73_lx_m.asc\"", "tem só 0 valores; são precisos 8118"}},
        {"GridFileShort", with_input(mainland, [](Dir d) {
             const std::string full = read_file(d / "grelhas/73_lx_p.asc");
             write_file(d / "grelhas/73_lx_p.asc", full.substr(0, full.size() / 2));
         }), to_lisboa, {"grelhas/73_lx_p.asc\"", "são precisos 8118"}},
        {"GridFileNonNumber", with_input(mainland, [](Dir d) {
             std::string text = read_file(d / "grelhas/73_lx_m.asc");
             // The 7th value of row 5.
             std::size_t at = 0;
             for (int line = 1; line < 5; ++line) at = text.find('\n', at) + 1;
             for (int v = 1; v < 7; ++v) at = text.find(' ', at) + 1;
             text.replace(at, text.find(' ', at) - at, "1.0.0");
             write_file(d / "grelhas/73_lx_m.asc", text);
         }), to_lisboa, {"grelhas/73_lx_m.asc\", linha 5", "nó (5, 7) não é um número: \"1.0.0\""}},
        {"GridNoDataCornerInPGridOnly", grid("73_lx_p.asc", p_without_26_21), to_lisboa,
         {outside + "-41190.88; 165002.41)"}},
        {"GridNoDataNorthWestCorner", grid("73_lx_m.asc", m_without_26_20), to_lisboa,
         {outside + "-41190.88; 165002.41)"}},
        {"GridNoDataInTheSecondRoutine", grid("73_lx_m.asc", m_without_26_20), job_args("tm06", "lisboa"), {outside}},
        {"GridPointOutside", with_input("Longe,185000.001,0\r\n"), to_lisboa, {outside + " 185000.001; 0)"}},
        {"GridPointNotANumber", with_input("Longe,nan,0\r\n"), to_lisboa, {"linha 1", "o valor de M não é um número"}},
        {"GridValuesOverflow", grid("73_lx_m.asc", [](int, int c) { return c % 2 == 0 ? 1.7e308 : -1.7e308; }),
         to_lisboa, {at_line(1), "\"Lisboa\"", "não são números finitos"}},
    };
}

std::vector<FaultCase> all_cases() {
    std::vector<FaultCase> all;
    for (auto&& group : {output_cases(), input_cases(), parameter_cases(), grid_cases()}) {
        all.insert(all.end(), group.begin(), group.end());
    }
    return all;
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
        EXPECT_EQ(snapshot(dir_.path()), before_);
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
