#include "point_file.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.hpp"

namespace tesra {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

struct Rec {
    std::string name;
    double m, p;
    bool operator==(const Rec&) const = default;
};

std::vector<Rec> read_all(const std::string& path) {
    FieldReader in(path);
    std::vector<Rec> out;
    PointRecord r;
    while (in.read_record(r)) out.push_back({std::string(r.name), r.m, r.p});
    return out;
}

std::vector<Rec> read_text(std::string_view bytes) {
    TempDir dir;
    write_file(dir.file("in.txt"), bytes);
    return read_all(dir.file("in.txt"));
}

std::string error_of(std::string_view bytes) {
    TempDir dir;
    write_file(dir.file("in.txt"), bytes);
    try {
        read_all(dir.file("in.txt"));
    } catch (const TesraError& e) {
        return e.what();
    }
    return "no error";
}

TEST(FieldReader, RecordsInEveryLayoutTheFieldRulesAllow) {
    const std::vector<Rec> two = {{"P1", 100.5, 200.25}, {"P2", -1, 2}};
    EXPECT_EQ(read_text("P1,100.5,200.25\r\nP2,-1,2\r\n"), two);
    EXPECT_EQ(read_text("P1 , 100.5 , 200.25\nP2,-1,2"), two);           // blanks around commas, LF, no final end
    EXPECT_EQ(read_text("P1,100.5,200.25\rP2,-1,2\r"), two);             // CR alone
    EXPECT_EQ(read_text("P1\r\n100.5\r\n200.25\r\nP2,-1\r\n2\r\n"), two);  // fields on lines of their own
    EXPECT_EQ(read_text("P1,100.5,200.25,P2,-1,2\r\n"), two);            // two records on one line
    EXPECT_EQ(read_text("\r\n   \r\nP1,100.5,200.25\r\n\r\nP2,-1,2\r\n\r\n  \r\n"), two);  // blank lines anywhere
    EXPECT_EQ(read_text("P1,100.5,200.25,\r\nP2,-1,2\r\n"), two);        // a comma after P is an empty name
}

TEST(FieldReader, NamesAreTakenAsTheFieldRulesSay) {
    EXPECT_EQ(read_text("\"Marco, norte\",1,2\r\n"), (std::vector<Rec>{{"Marco, norte", 1, 2}}));
    EXPECT_EQ(read_text("  Marco  norte   ,1,2\r\n"), (std::vector<Rec>{{"Marco  norte", 1, 2}}));
    EXPECT_EQ(read_text("\"A\" junk,1,2\r\n"), (std::vector<Rec>{{"A", 1, 2}}));
    EXPECT_EQ(read_text("S\xe9 \xc9vora,1,2\r\n"), (std::vector<Rec>{{"S\xe9 \xc9vora", 1, 2}}));  // bytes pass through
    EXPECT_TRUE(read_text("    ,\r\n").empty());  // a name of blanks only is skipped
    EXPECT_TRUE(read_text("").empty());
}

// Deep inside a long file the reader has the whole field in its buffer and
// takes a shorter way; every form must read there as it does at the end.
TEST(FieldReader, FieldsReadTheSameInsideALongFileAsAtItsEnd) {
    // More than the reader's look-ahead on either side.
    constexpr int pad = 60;
    std::string padding;
    for (int i = 0; i < pad; ++i) padding += "X,1,2\r\n";
    const struct {
        const char* text;
        std::vector<Rec> records;
    } cases[] = {
        {"P,100.5,200.25\r\n", {{"P", 100.5, 200.25}}},
        {"P,100.5 , 200.25  \r\n", {{"P", 100.5, 200.25}}},
        {"P,-98765.25,640030.813161891\n", {{"P", -98765.25, 640030.813161891}}},
        {"P,1,2\rQ,3,4\r", {{"P", 1, 2}, {"Q", 3, 4}}},
        {"P,+5,5.\r\n", {{"P", 5, 5}}},
        {"P,.5,-.5\r\n", {{"P", 0.5, -0.5}}},
        {"P,1e3,2E-2\r\n", {{"P", 1000, 0.02}}},
        {"P,12345678901234567890,9007199254740993\r\n", {{"P", 12345678901234567890.0, 9007199254740993.0}}},
        {"P\r\n-0\r\n3\r\n", {{"P", 0, 3}}},
        {"P,1,2,Q,3,4\r\n", {{"P", 1, 2}, {"Q", 3, 4}}},
        {"\"Marco, norte\",1,2\r\n", {{"Marco, norte", 1, 2}}},
        {"\"A\" junk,1,2\r\n", {{"A", 1, 2}}},
        {"\"two\r\nlines\",1,2\r\n", {{"two\r\nlines", 1, 2}}},
        {"  Marco  norte   ,1,2\r\n", {{"Marco  norte", 1, 2}}},
        {"Marco  norte   ,1,2\r\n", {{"Marco  norte", 1, 2}}},
        {"A\"B,1,2\r\n", {{"A\"B", 1, 2}}},
        {"\r\n   \r\n,\r\nP,1,2\r\n", {{"P", 1, 2}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(read_text(c.text), c.records) << c.text;
        const std::vector<Rec> all = read_text(padding + c.text + padding);
        ASSERT_EQ(all.size(), 2 * pad + c.records.size()) << c.text;
        EXPECT_EQ(std::vector<Rec>(all.begin() + pad, all.end() - pad), c.records) << c.text;
    }
    // Line ends of every kind are counted on the way.
    std::string cr, lf;
    for (int i = 0; i < pad; ++i) cr += "X,1,2\r", lf += "X,1,2\n";
    EXPECT_NE(error_of(padding + "P,1,abc\r\n" + padding).find("linha 61"), std::string::npos);
    EXPECT_NE(error_of(cr + "P,1,2e\r" + cr).find("linha 61"), std::string::npos);
    EXPECT_NE(error_of(lf + "P,1,1e999\n" + lf).find("linha 61"), std::string::npos);
    EXPECT_NE(error_of(padding + "\"a\r\nb\",1,2\r\n,3,4\r\n" + padding).find("linha 63"), std::string::npos);
}

TEST(FieldReader, FieldsThatStraddleBufferLoadsReadWhole) {
    // Names long enough that records cross the reader's internal refills.
    std::string text;
    std::vector<Rec> expected;
    for (int i = 0; i < 60; ++i) {
        std::string name(40000 + i * 7, static_cast<char>('a' + i % 26));
        text += name + "," + std::to_string(i) + ".25,-" + std::to_string(i) + "\r\n";
        expected.push_back({name, i + 0.25, -static_cast<double>(i)});
    }
    EXPECT_EQ(read_text(text), expected);
}

TEST(WriteRecord, WrittenFormReadsBackToTheSameNamesAndValues) {
    TempDir dir;
    {
        OutputFile out(dir.file("tmp"));
        write_record(out, "P1", 1234.5, -98765.25);
        write_record(out, "Marco, norte", 640030.8131618912, 0.000123);
        out.close();
    }
    EXPECT_EQ(read_file(dir.file("tmp")), "\"P1\",1234.5,-98765.25\r\n\"Marco, norte\",640030.813161891,0.000123\r\n");
    EXPECT_EQ(read_all(dir.file("tmp")),
              (std::vector<Rec>{{"P1", 1234.5, -98765.25}, {"Marco, norte", 640030.813161891, 0.000123}}));
}

TEST(TransformPointFile, OneRecordPerNamedInputRecordInOrder) {
    TempDir dir;
    write_file(dir.file("in"), "B,1,2\r\n\r\nA,3,4\r\nB,1,2\r\n");
    const LoopEnd end = transform_point_file(dir.file("in"), dir.file("out"), [](double m, double p, double& mo, double& po) {
        mo = m * 10;
        po = p + 0.5;
        return true;
    });
    EXPECT_EQ(end, LoopEnd::completed);
    EXPECT_EQ(read_file(dir.file("out")), "\"B\",10,2.5\r\n\"A\",30,4.5\r\n\"B\",10,2.5\r\n");
}

TEST(TransformPointFile, ANameWithAQuoteIsRefusedRatherThanCutShort) {
    TempDir dir;
    write_file(dir.file("in"), "A,1,2\r\nMarco 5\"B,3,4\r\n");
    try {
        transform_point_file(dir.file("in"), dir.file("out"), [](double, double, double&, double&) { return true; });
        FAIL();
    } catch (const TesraError& e) {
        EXPECT_NE(std::string(e.what()).find("linha 2"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("aspas"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(test::exists(dir.file("out")));
}

TEST(TransformPointFile, EmptyInputStillCreatesTheOutput) {
    TempDir dir;
    write_file(dir.file("in"), "\r\n  \r\n");
    transform_point_file(dir.file("in"), dir.file("out"), [](double, double, double&, double&) { return true; });
    EXPECT_EQ(read_file(dir.file("out")), "");
}

}  // namespace
}  // namespace tesra
