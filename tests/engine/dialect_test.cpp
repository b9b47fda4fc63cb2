// The same six points written as spreadsheets and editors write them read
// back to the same names and coordinates, told the dialect or left to find
// it; the files that could be read two ways, or are faulty, are refused at
// the line at fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "text/codepage.hpp"
#include "files/reader.hpp"
#include "support.hpp"

namespace tesra {
namespace {

using Dialect = PointFileDialect;

struct Point {
    std::string name;  // UTF-8
    std::string m, p;  // with a decimal point
};

std::string read_all(const std::string& path, Dialect dialect, TextEncoding& found) {
    FieldReader reader(PointFile{path, nullptr, nullptr, &dialect});
    std::string out;
    PointRecord r;
    while (reader.read_record(r)) {
        out += std::string(r.name) + "|" + std::to_string(r.m) + "|" + std::to_string(r.p) + "\n";
    }
    found = dialect.encoding == Dialect::Encoding::utf8 ? TextEncoding::utf8 : TextEncoding::cp1252;
    return out;
}

struct Read {
    std::string text, points;
    Dialect dialect = Dialect::automatic();
};

struct Refused {
    std::string text;
    Dialect dialect;
    std::string message;
};

void expect_read(const std::string& path, std::initializer_list<Read> cases) {
    for (const Read& c : cases) {
        robust::write_file(path, c.text);
        TextEncoding found{};
        EXPECT_EQ(read_all(path, c.dialect, found), c.points) << c.text;
    }
}

// Each refused with its message, which names no option where the front end has none.
void expect_refused(const std::string& path, std::initializer_list<Refused> cases) {
    for (const Refused& c : cases) {
        robust::write_file(path, c.text);
        TextEncoding found{};
        try {
            read_all(path, c.dialect, found);
            ADD_FAILURE() << c.text;
        } catch (const TesraError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            EXPECT_TRUE(c.dialect.options || std::string(e.what()).find("--") == std::string::npos) << e.what();
        }
    }
}

TEST(Dialects, EveryWayOfWritingThePointsReadsTheSame) {
    robust::ScratchDir dir;
    const std::string path = dir / "pontos.csv";
    for (const char separator : {',', ';', '\t', ' '}) {
        const std::vector<Point> points = {
            {"Sé", "-87345.21", "-104877.53"},         {"Óbidos", "-41190.88", "165002.41"},
            {std::string("Ponte") + separator + " ç", "320655.42", "3614050.18"},
            {"Évora", "1", "-2.5"},                    {"Luís", "640030.813", "4162500"},
            {"Açude", "0.125", "-0"},
        };
        std::string expected;
        for (const Point& q : points) {
            expected += q.name + "|" + std::to_string(std::stod(q.m)) + "|" + std::to_string(std::stod(q.p)) + "\n";
        }
        for (const char mark : {'.', ','}) {
            if (separator == ',' && mark == ',') continue;
            for (const int encoding : {0, 1, 2}) {  // Windows-1252, UTF-8, UTF-8 with a BOM
                for (const bool header : {false, true}) {
                    for (const std::string end : {"\r\n", "\n"}) {
                        std::string text = encoding == 2 ? "\xEF\xBB\xBF" : "";
                        if (header) text += std::string("Nome") + separator + "M" + separator + "P" + end;
                        for (Point q : points) {
                            for (std::string* v : {&q.m, &q.p}) std::replace(v->begin(), v->end(), '.', mark);
                            const bool quoted = q.name.find(separator) != std::string::npos;
                            // The point-file format also takes a record spread over lines.
                            const std::string between = separator == ',' && text.empty() ? end + end : std::string(1, separator);
                            text += (quoted ? "\"" + q.name + "\"" : q.name) + between + q.m + between + q.p + end;
                        }
                        if (end == "\n") text += '\x1A';  // the end mark of old exports
                        robust::write_file(path, encoding == 0 ? utf8_to_cp1252(text) : text);
                        Dialect told{separator == ',' ? Dialect::Separator::comma
                                     : separator == ';' ? Dialect::Separator::semicolon
                                     : separator == ' ' ? Dialect::Separator::space
                                                        : Dialect::Separator::tab,
                                     mark == ',', header ? 1 : 0,
                                     encoding == 0 ? Dialect::Encoding::cp1252 : Dialect::Encoding::utf8, false};
                        for (const Dialect& dialect : {told, Dialect::automatic()}) {
                            TextEncoding found{};
                            std::string got = read_all(path, dialect, found);
                            if (found == TextEncoding::cp1252) got = cp1252_to_utf8(got);
                            EXPECT_EQ(got, expected) << text;
                            EXPECT_EQ(found, encoding == 0 ? TextEncoding::cp1252 : TextEncoding::utf8) << text;
                        }
                    }
                }
            }
        }
    }
    // Spreadsheets' comma files: an optional last cell left empty, integer
    // coordinates under a header with a title per field. Columns found by
    // their titles wherever they stand; without a name, a point's line names it.
    const std::string sé = "|-87345.210000|-104877.530000\n";
    std::string empty_rows;  // past the first chunk the dialect is decided from
    for (int i = 0; i < 20000; ++i) empty_rows += ";;;\r\n";
    const auto columns = [](std::string_view list) {
        Dialect d = Dialect::automatic();
        EXPECT_EQ(column_order(list, d.column_order), "");
        return d;
    };
    expect_read(path, {
        {"-87345.21,-104877.53,Sé\r\n", "Sé" + sé, columns("m,p,nome")},
        {"M;P\r\n-87345,21;-104877,53\r\n", "2" + sé, columns("M, P")},
        {"Sé\tx\t-87345.21\t-104877.53\r\n", "Sé" + sé, columns("nome,-,m,p")},
        {"X,Y,id\r\n-87345.21,-104877.53,1\r\n", "1" + sé},
        {empty_rows + "Sé;-87345,21;-104877,53\r\n", "Sé" + sé},
        {"Sé -87345.210 -104877.530 12.345 MV\r\n\"Sé 2\"\t-87345.21  -104877.53 1 MV\r\n",
         "Sé" + sé + "Sé 2" + sé},
        {"Ponto,N,E,Cota\r\nSé,-104877.53,-87345.21,12\r\n", "Sé" + sé},
        {"ponto;  y ;X\r\nSé;-104877,53;-87345,21\r\n", "Sé" + sé},
        {"Côta\tEste\tNorte\r\n3\t-87345.21\t-104877.53\r\n", "2" + sé},
        {"A,-87345.21,-104877.53,\r\nB,1.5,2.5,x\r\n", "A|-87345.210000|-104877.530000\nB|1.500000|2.500000\n"},
        {"Nome,M,P,Cota\r\nP1,112655,195121,12.5\r\n", "P1|112655.000000|195121.000000\n"},
        {"P1 112655 195121 12\r\n", "P1|112655.000000|195121.000000\n", Dialect{Dialect::Separator::space}},
    });
    expect_refused(path, {
        // Integers and a further column, or decimal commas: neither reading is guessed.
        {"Sé,-87345,210,-104877,530\r\n", Dialect::automatic(), "linha 1: a linha lê-se de duas maneiras"},
        {"Nome,M,P,Cota\r\nP1,112655,195121,12,5\r\n", Dialect::automatic(), "linha 2: a linha lê-se de duas"},
        {"Nome,M,P,a,b\r\nA,1.5,2.5,7,8\r\nB,1.5,2.5,7,8\r\nSé,-87345,210,-104877,530\r\n", Dialect::automatic(),
         "linha 4: a linha lê-se de duas maneiras"},
        {"Nome;Latitude;Longitude\r\nA;38,7;-9,1\r\n", Dialect::automatic(), "linha 1: o cabeçalho \"Nome;Latitude;"},
        {"Nome;X;M\r\nA;1;2\r\n", Dialect::automatic(), "linha 1: os títulos do cabeçalho \"Nome;X;M\" não dizem"},
        {"X,Y,id\r\n1.5,2.5,A\r\n1.5,2.5,B,7\r\n", Dialect::automatic(), "linha 3: a linha tem 4 campos"},
        {"Marco 1 -87345.21 -104877.53\r\n", Dialect::automatic(), "linha 1: M e P não têm as mesmas casas"},
        {"Sé -87345.21 -104877.53\r\nSé 2 -87345.21 -104877.53\r\n", Dialect::automatic(), "linha 2: a linha tem 4"},
        // The line at fault, not the header's; the window's messages name no option.
        {"Nome;M;P\r\nA;1,5;2,5\r\nB;x;1\r\n", Dialect::automatic(), "linha 3: o valor de M não é um número"},
        {"A,1,2\r\nB;x;2\r\n", Dialect::window(), "linha 2: o nome \"B;x;2\" contém \";\""},
        {"A,1.5,2.5\r\nB,1.5,2.5,7\r\n", Dialect::window(), "linha 2: há campos a mais"},
        {"\xEF\xBB\xBF" "A;1;2\r\nB\xE9;3;4\r\n", Dialect::window(), "linha 2: o texto \"B?\" não é UTF-8"},
        {"A;1,5;2,5\r\nNome;M;P\r\n", Dialect::automatic(), "linha 2: o valor de M não é um número: \"M\""},
        {"A;1,5;2,5\r\nB\t1,5\t2,5\r\nC;1;2\r\n", Dialect::automatic(), "linha 2: a linha tem menos de três campos"},
        {"A;1;2\r\nB\xE9;3;4\r\n", {Dialect::Separator::semicolon, true, 0, Dialect::Encoding::utf8, false},
         "linha 2: o texto \"B?\" não é UTF-8"},
        {"\xEF\xBB\xBF" "A,1,2\r\n", Dialect{}, "linha 1: o ficheiro começa pela marca"},
        {"A,1.5,2.5,50\r\nB,3.5,4.5,60\r\nC,1.5,2.5,7,8\r\n", Dialect::automatic(), "linha 3: a linha tem 5 campos"},
        {"Nome;M;P;Cota\r\nA;1,5;2,5;7\r\nB;1,5;2,5\r\n", Dialect::automatic(), "linha 3: a linha tem 3 campos"},
        {"A\t1\t2\t7\r\nB\t1\t2\t7\t8\r\n", {Dialect::Separator::tab, false, 0, Dialect::Encoding::cp1252, false},
         "linha 2: a linha tem 5 campos"},
        // A title line has titles over both M and P: one field that is no number is a fault.
        {"A;1;x\r\nB;3;4\r\n", Dialect::automatic(), "linha 1: o nome \"A;1;x\""},
        {"A;x;2\r\nB;3;4\r\n", Dialect::automatic(), "linha 1: o nome \"A;x;2\""},
        // Once the comma is the decimal mark, a period is no number's.
        {"A;1,5;2,5\r\nB;1.5;2,5\r\n", Dialect::automatic(), "linha 2: o valor de M não é um número: \"1.5\""},
    });
}

// Under a geographic source, M and P are the latitude and the longitude:
// degrees, minutes and seconds read in the line dialects, titles of
// latitude and longitude say where they stand, and the point-file format
// reads decimal degrees within their range.
TEST(Dialects, LatitudeAndLongitudeReadUnderAGeographicSource) {
    robust::ScratchDir dir;
    const std::string path = dir / "graus.csv";
    const auto geographic = [](Dialect d) {
        d.geographic = true;
        return d;
    };
    const Dialect automatic = geographic(Dialect::automatic());
    const std::string a = "A|38.709250|-9.137417\n";
    expect_read(path, {
        {"Nome;Latitude;Longitude\r\nA;38°42'33,3\"N;9°08'14,7\"W\r\nB;38,70925;-9,1374167\r\n",
         a + "B|38.709250|-9.137417\n", automatic},
        {"Nome,Lat,Lon,Cota\r\nA,38°42'33.3\"N,9 08 14.7 O,12\r\n", a, automatic},
        {"Longitude,Latitude,Nome\r\n-9.1374167,38.70925,A\r\n", a, automatic},
        {"Long\tNome\tLat\r\n9:08:14.7W\tA\tN38 42 33.3\r\n", a, automatic},
        {"A,38°42'33.3\"N,9°08'14.7\"W\r\nB,-38.5,180\r\n", a + "B|-38.500000|180.000000\n", automatic},
        {"A,38.70925,-9.1374167,B,-90,-180\r\n", a + "B|-90.000000|-180.000000\n", geographic(Dialect{})},
        {"A 38°42'33.3\"N   9°08'14.7\"W\r\n", a, geographic(Dialect{Dialect::Separator::space})},
    });
    expect_refused(path, {
        {"A,38.7,-9.1\r\nB,90.5,-9.1\r\n", geographic(Dialect{}), "linha 2: a latitude \"90.5\" passa de 90°"},
        {"A,38.7,-180.25\r\n", automatic, "linha 1: a longitude \"-180.25\" passa de 180°"},
        {"A,38°42'33.3\"N,9°08'14.7\"W\r\n", geographic(Dialect{}), "não é um número: \"38Â°42'33.3\"N\" (neste "
                                                                     "formato, a latitude e a longitude são graus decimais"},
        {"Nome;Lat;Lon\r\nA;38,7;-9,1\r\nB;38°72'10\"N;9°W\r\n", automatic,
         "linha 3: a latitude \"38°72'10\"N\" não se lê: os minutos chegam a 60"},
        {"Nome;Lat;Lon\r\nA;38,7;9,1W\r\nB;38,7;9.1W\r\n", automatic, "linha 3: a longitude \"9.1W\" não se lê: não é uma longitude "
                                                        "em graus (o separador decimal é a vírgula)"},
        {"Nome;Lat;Norte\r\nA;38,7;-9,1\r\n", automatic, "os títulos do cabeçalho \"Nome;Lat;Norte\" não dizem que colunas "
                                                      "são a latitude e a longitude"},
        {"Lat,Nome,Latitude\r\n38.7,A,-9.1\r\n", automatic, "linha 1: os títulos do cabeçalho"},
        {"A 38 42 33.3 N 9 08 14.7 W\r\n", geographic(Dialect{Dialect::Separator::space}),
         "linha 1: a latitude e a longitude parecem graus, minutos e segundos separados por espaços"},
        // Without a geographic source: what to choose, or that the window cannot.
        {"Nome,Lat,Lon\r\nA,38.7,-9.1\r\n", Dialect::automatic(), "escolha um Sistema 1 geográfico (--from etrs89geo"},
        {"Nome,Lat,Lon\r\nA,38.7,-9.1\r\n", Dialect::window(), "o programa de janela só transforma coordenadas planas"},
    });
}

}  // namespace
}  // namespace tesra
