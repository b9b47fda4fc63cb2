// Records read well inside the buffer (the reader's quick path for the
// usual line) come out exactly as those read near the end of the file,
// where the general path reads them: names, values, lines and faults; and
// bytes in memory as the file that holds them.
#include <gtest/gtest.h>

#include <string>

#include "files/reader.hpp"
#include "support.hpp"

namespace tesra {
namespace {

// Every record as "line|name|m|p", or the message that stopped the reading:
// of a file, or of bytes in memory read as one.
template <class... From>
std::string read_all(const From&... from) {
    std::string out;
    try {
        FieldReader reader(from...);
        PointRecord r;
        while (reader.read_record(r)) {
            out += std::to_string(reader.line()) + "|" + std::string(r.name) + "|" + number_for_message(r.m) + "|" +
                   number_for_message(r.p) + "\n";
        }
    } catch (const TesraError& e) {
        out += e.what();
    }
    return out;
}

TEST(Reader, RecordsReadTheSameAnywhereInTheBuffer) {
    using namespace std::string_literals;
    robust::ScratchDir dir;
    const std::string path = dir / "pontos.txt";
    for (const std::string& line :
         {"P1,1.5,-2.25\r\n"s, "T 1  ,3,4\n"s, "\tx,5,6\r\n"s, " lead,1,2\r\n"s, "\"Q 1\",7,8\r\n"s,
          "a,1 ,2\r\n"s, "b,1,2 \r\n"s, "c,1e3,2\r\n"s, "d,1,2,e,3,4\r\n"s, "f,1,\r\n2\r\n"s, "g,1,2\r"s,
          "h,0000000000000000000001.5,2\n"s, "k,1;2\r\n"s, "l,1 2\r\n"s, "\"  \",1,2\r\n"s, "\"a\"b,1,2\r\n"s,
          "\"a\r\nb\",1,2\r\n"s, "\"a\0b\",1,2\r\n"s, "\"a\" ,1,2\r\n"s, "x,1.5,2\r\ny\0z,1,2\r\n"s,
          "m,-,2\r\n"s, "n,+.,2\r\n"s}) {
        SCOPED_TRACE(line);
        // A record first, so that the buffer is full when the line comes.
        robust::write_file(path, "p,1,2\r\n" + line);
        const std::string general = read_all(path);
        // The same with blank lines behind it: the quick path reads the line.
        const std::string longer = "p,1,2\r\n" + line + std::string(600, '\n');
        robust::write_file(path, longer);
        EXPECT_EQ(read_all(path), general);
        EXPECT_EQ(read_all(path, std::string_view(longer)), general);
    }
}

}  // namespace
}  // namespace tesra
