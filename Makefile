# The two commands of the README: `make run` and `make test`. Each installs
# what is missing, builds what it needs, and then runs the program or every test.
BUILD_DIR ?= build
BENCH_DIR ?= build-bench
CMAKE_FLAGS ?=
# CI (CI=true) treats every compiler warning as an error.
ifneq ($(CI),)
CMAKE_FLAGS += -DTESRA_WERROR=ON
endif

.PHONY: all deps configure build run test bench bench-build bench-micro package clean screenshots test-sanitize fuzz \
	windows windows-configure windows-test windows-zip windows-screenshots windows-installer

all: build

deps:
	@tools/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

# Only the programs: the tests are not built for this.
run: configure
	@cmake --build $(BUILD_DIR) --target programs
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

# The whole test suite again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build directory of its own (assertions on,
# light optimisation: it builds in half the time of -O2 and runs as fast).
SANITIZE_DIR ?= build-sanitize
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
		-DTESRA_SANITIZE=ON -DTESRA_GUI=OFF >/dev/null
	@cmake --build $(SANITIZE_DIR)
	@$(SANITIZE_ENV) ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j2

# Each libFuzzer target for FUZZ_SECONDS on its committed corpus (clang, build-fuzz/).
FUZZ_SECONDS ?= 60
fuzz: deps
	@tools/fuzz $(FUZZ_SECONDS)

# tesra-cli.exe and tesra-ascii.exe (the desktop program with Windows' own
# controls) for 64-bit Windows, built here with mingw-w64 and linked
# statically, with the grid files beside them in $(WINDOWS_DIR)/. Its tests run under wine, in a wine prefix of that folder.
WINDOWS_DIR ?= build-windows
WINDOWS_ENV = WINEPREFIX=$(abspath $(WINDOWS_DIR))/wine WINEDEBUG=-all

windows-configure: deps
	@cmake -S . -B $(WINDOWS_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
		-DTESRA_GUI=OFF -DTESRA_LINUX_CLI=$(abspath $(BUILD_DIR))/tesra-cli $(CMAKE_FLAGS) >/dev/null

windows: windows-configure
	@cmake --build $(WINDOWS_DIR) --target programs

# The download: tesra-<version>-windows-x64.zip in $(WINDOWS_DIR)/.
windows-zip: windows-configure
	@cmake --build $(WINDOWS_DIR) --target windows_zip

# The engine's and the CLI's tests, every route's report against the Linux
# build's files, what Windows does its own way, against the Linux build's
# tesra-cli, the desktop program's window driven on Xvfb, and the
# installer installed and removed (tests/windows/). Wine's server and services end with it.
windows-test: windows-configure configure
	@cmake --build $(BUILD_DIR) --target tesra-cli
	@cmake --build $(WINDOWS_DIR) --target all windows_installer
	@$(WINDOWS_ENV) ctest --test-dir $(WINDOWS_DIR) --output-on-failure; status=$$?; \
		$(WINDOWS_ENV) wineserver -k 2>/dev/null; exit $$status

# The installer: tesra-<version>-setup.exe in $(WINDOWS_DIR)/ (NSIS).
windows-installer: windows-configure
	@cmake --build $(WINDOWS_DIR) --target windows_installer

# Pictures of tesra-ascii.exe's two windows under wine on Xvfb, in
# $(WINDOWS_DIR)/screenshots/.
windows-screenshots: windows
	@$(WINDOWS_ENV) tools/windows-screenshots $(WINDOWS_DIR) $(WINDOWS_DIR)/screenshots

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) $(SANITIZE_DIR) $(WINDOWS_DIR) build-fuzz
