# The two commands of the README: `make run` and `make test`. Each installs
# what is missing, builds, and then runs the program or every test.
BUILD_DIR ?= build
BENCH_DIR ?= build-bench
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench bench-build bench-micro package clean screenshots

all: build

deps:
	@tools/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	@tools/run-main-job $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j2

# Optimised build of its own, then one table of timings and memory; the
# table also goes to bench/README.md.
bench-build: deps
	@cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESRA_BENCH=ON \
	  -DTESRA_GUI=OFF -DTESRA_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_DIR)

bench: bench-build
	@bench/run-bench $(BENCH_DIR) --readme bench/README.md

bench-micro: bench-build
	@$(BENCH_DIR)/tesra-micro-bench

# A Debian package of the programs with their grid files, in $(BUILD_DIR)/.
package: build
	@cmake --build $(BUILD_DIR) --target package

# Pictures of the desktop program's windows, drawn without a screen.
screenshots: build
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tesra-screenshots $(BUILD_DIR)/screenshots

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR)
