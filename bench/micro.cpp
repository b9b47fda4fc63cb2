// Micro-benchmarks of the per-point pieces: the field reader, the record
// writer, the "0.000" formatter, the written form of numbers and their
// parsing, the polynomial and the grid interpolation. Each reports the time
// per item ("per_item", seconds with an SI prefix: 17.5n is 17.5 ns);
// the inputs are coordinates of the magnitudes real point files carry.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "geodesy/grid.hpp"
#include "text/numtext.hpp"
#include "files/output_file.hpp"
#include "files/reader.hpp"
#include "jobs/routines.hpp"

#include "random.hpp"

namespace {

constexpr std::size_t batch = 4096;  // values per iteration of the small benchmarks

using tesra::bench::Random;

// Computed coordinates, as the routines produce them: full double
// precision, M and P of Madeira points in turn, as a file holds them.
std::vector<double> computed_values() {
    Random rnd(42);
    std::vector<double> v(batch);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = i % 2 ? rnd.uniform(3610000, 3650000) : rnd.uniform(290000, 340000);
    return v;
}

// Seconds per item, which the report prints with its SI prefix ("17.5n").
void ns_per_item(benchmark::State& state, std::size_t items_per_iteration) {
    state.counters["per_item"] = benchmark::Counter(
        static_cast<double>(items_per_iteration) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A scratch file that goes away with the benchmark.
class ScratchFile {
public:
    explicit ScratchFile(const char* stem) {
        path_ = (std::filesystem::temp_directory_path() /
                 (std::string(stem) + "-" + std::to_string(::getpid()))).string();
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    [[nodiscard]] const std::string& path() const { return path_; }

private:
    std::string path_;
};

void BM_write_fixed3(benchmark::State& state) {
    const auto values = computed_values();
    char out[tesra::number_text_capacity];
    for (auto _ : state) {
        for (double v : values) {
            char* end = tesra::write_fixed3(out, v, ',');
            benchmark::DoNotOptimize(end);
            benchmark::ClobberMemory();
        }
    }
    ns_per_item(state, values.size());
}
BENCHMARK(BM_write_fixed3);

void BM_write_number(benchmark::State& state) {
    const auto values = computed_values();
    char out[tesra::number_text_capacity];
    for (auto _ : state) {
        for (double v : values) {
            char* end = tesra::write_number(out, v);
            benchmark::DoNotOptimize(end);
            benchmark::ClobberMemory();
        }
    }
    ns_per_item(state, values.size());
}
BENCHMARK(BM_write_number);

void BM_parse_number(benchmark::State& state) {
    // Intermediate-file numbers: 15 significant digits.
    const auto values = computed_values();
    std::vector<std::string> texts;
    for (double v : values) {
        char out[tesra::number_text_capacity];
        texts.emplace_back(out, tesra::write_number(out, v));
    }
    for (auto _ : state) {
        for (const auto& t : texts) {
            double v = 0;
            bool ok = tesra::parse_number(t, v);
            benchmark::DoNotOptimize(ok);
            benchmark::DoNotOptimize(v);
        }
    }
    ns_per_item(state, texts.size());
}
BENCHMARK(BM_parse_number);

void BM_evaluate_polynomial(benchmark::State& state) {
    const auto& set = tesra::official_set(tesra::Routine::transf_124);
    Random rnd(7);
    std::vector<tesra::PlanarPoint> points(batch);
    for (auto& pt : points) pt = {rnd.uniform(290000, 340000), rnd.uniform(3610000, 3650000)};
    for (auto _ : state) {
        for (const auto& pt : points) {
            auto r = tesra::evaluate_polynomial(set, pt.m, pt.p);
            benchmark::DoNotOptimize(r);
        }
    }
    ns_per_item(state, points.size());
}
BENCHMARK(BM_evaluate_polynomial);

void BM_interpolate_grid(benchmark::State& state) {
    // A smooth shift of a few metres, every node valid.
    auto m_grid = std::make_unique<tesra::CoordinateGrid>();
    auto p_grid = std::make_unique<tesra::CoordinateGrid>();
    for (int r = 0; r < tesra::grid_rows; ++r)
        for (int c = 0; c < tesra::grid_columns; ++c) {
            const double m = tesra::grid_west + c * tesra::grid_spacing;
            const double p = tesra::grid_north - r * tesra::grid_spacing;
            const auto i = static_cast<std::size_t>(r * tesra::grid_columns + c);
            m_grid->node[i] = m - 2.0 + m * 1e-6;
            p_grid->node[i] = p + 2.5 - p * 2e-6;
        }
    Random rnd(9);
    std::vector<tesra::PlanarPoint> points(batch);
    for (auto& pt : points) pt = {rnd.uniform(-90000, 150000), rnd.uniform(-280000, 260000)};
    for (auto _ : state) {
        for (const auto& pt : points) {
            double m = 0, p = 0;
            bool ok = tesra::interpolate_grid(*m_grid, *p_grid, pt.m, pt.p, m, p);
            benchmark::DoNotOptimize(ok);
            benchmark::DoNotOptimize(m);
            benchmark::DoNotOptimize(p);
        }
    }
    ns_per_item(state, points.size());
}
BENCHMARK(BM_interpolate_grid);

// One record per item: opening and closing the file is spread over the
// batch, as it is over a file of points.
constexpr std::size_t records_per_file = 100000;

void BM_write_record(benchmark::State& state) {
    const ScratchFile file("tesra-micro-write");
    const auto values = computed_values();
    for (auto _ : state) {
        tesra::OutputFile out(file.path());
        for (std::size_t i = 0; i < records_per_file; ++i)
            tesra::write_record(out, "PT0001234", values[(2 * i) % batch], values[(2 * i + 1) % batch]);
        out.close();
    }
    ns_per_item(state, records_per_file);
}
BENCHMARK(BM_write_record)->Unit(benchmark::kMillisecond);

void BM_read_record(benchmark::State& state) {
    // The input form: names and coordinates at three decimals.
    const ScratchFile file("tesra-micro-read");
    {
        std::FILE* f = std::fopen(file.path().c_str(), "wb");
        if (!f) {
            state.SkipWithError("cannot create the scratch file");
            return;
        }
        Random rnd(3);
        for (std::size_t i = 0; i < records_per_file; ++i)
            std::fprintf(f, "PT%07zu,%.3f,%.3f\r\n", i, rnd.uniform(290000, 340000), rnd.uniform(3610000, 3650000));
        std::fclose(f);
    }
    for (auto _ : state) {
        tesra::FieldReader in(file.path());
        tesra::PointRecord record;
        std::size_t n = 0;
        while (in.read_record(record)) {
            benchmark::DoNotOptimize(record);
            ++n;
        }
        if (n != records_per_file) state.SkipWithError("short read");
    }
    ns_per_item(state, records_per_file);
}
BENCHMARK(BM_read_record)->Unit(benchmark::kMillisecond);

// Lines of mostly empty fields, as spreadsheets export them: one line of a
// million commas after a record, and 500 rows padded to 16,384 columns.
// Time per byte: the reader must stay linear whatever the layout.
void BM_read_empty_fields(benchmark::State& state) {
    const ScratchFile file("tesra-micro-commas");
    std::string text;
    if (state.range(0) == 0) {
        text = "A,1,2\r\n" + std::string(1000000, ',') + "\r\n";
    } else {
        for (int row = 0; row < 500; ++row) text += "P" + std::to_string(row) + ",1,2" + std::string(16381, ',') + "\r\n";
    }
    std::FILE* f = std::fopen(file.path().c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
        state.SkipWithError("cannot write the scratch file");
        return;
    }
    std::fclose(f);
    for (auto _ : state) {
        tesra::FieldReader in(file.path());
        tesra::PointRecord record;
        while (in.read_record(record)) benchmark::DoNotOptimize(record);
    }
    ns_per_item(state, text.size());
}
BENCHMARK(BM_read_empty_fields)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
