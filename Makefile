# The two commands of the README: `make run` and `make test`. Each installs
# what is missing, builds, and then runs the program or every test.
BUILD_DIR ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench package clean screenshots

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

# A Debian package of the programs with their grid files, in $(BUILD_DIR)/.
package: build
	@cmake --build $(BUILD_DIR) --target package

# Pictures of the desktop program's windows, drawn without a screen.
screenshots: build
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tesra-screenshots $(BUILD_DIR)/screenshots

clean:
	rm -rf $(BUILD_DIR)
