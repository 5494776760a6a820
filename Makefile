# The README's commands. Everything is built in build/; sanitizer builds live in build-*/.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: deps configure build test run demo package windows device-table fuzz bench format format-check clean

# The device's firmware table, FIRMWARE_TABLE=<file>: the build folder keeps it until another is
# given (FIRMWARE_TABLE= goes back to the development table, the build's own filler for tests).
ifneq ($(origin FIRMWARE_TABLE),undefined)
TABLE_ARGUMENT := -DFIRMWARE_TABLE=$(abspath $(FIRMWARE_TABLE))
endif

# What scripts/install-deps installs first: the packages of the build (make build, run, demo), or
# of the purpose the command names here.
DEPS = build
test: DEPS = test
package: DEPS = package
windows: DEPS = windows
fuzz: DEPS = fuzz
bench: DEPS = bench
format format-check: DEPS = format

deps:
	@scripts/install-deps $(DEPS)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(TABLE_ARGUMENT) $(CMAKE_ARGS) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	@$(BUILD_DIR)/app/bass-firmware

demo: build
	@TOOL=$(BUILD_DIR)/app/bass-firmware EMULATOR=$(BUILD_DIR)/tools/qlt1/qlt1-emulator scripts/demo

# What users install carries the device's own table: package and windows stop before building
# anything when the build folder would embed the development table.
device-table: configure
	@scripts/require-device-table $(BUILD_DIR) $(filter package windows,$(MAKECMDGOALS))

# The Debian package of the build: $(BUILD_DIR)/bass-firmware_<version>_amd64.deb.
package: device-table
	@cmake --build $(BUILD_DIR) -j $(JOBS)
	@cd $(BUILD_DIR) && cpack -G DEB

# The Windows program, its installer and its zip, cross-built with mingw-w64 into build-windows/
# with the native build's table. The firmware table's tools run here, so they come from the
# native build.
WINDOWS_DIR ?= build-windows
windows: device-table
	@JOBS=$(JOBS) scripts/build-windows $(BUILD_DIR) $(WINDOWS_DIR)

# The fuzz targets, built with clang in build-fuzz/, each run for FUZZ_SECONDS.
FUZZ_SECONDS ?= 300
fuzz: deps
	@fuzz/run $(FUZZ_SECONDS)

# Not part of test: timing figures need a quiet machine, and take a few minutes. The Windows
# program and its baselines come from the Windows build in $(WINDOWS_DIR).
bench: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target bench_programs
	@JOBS=$(JOBS) scripts/build-windows $(BUILD_DIR) $(WINDOWS_DIR)
	@WINDOWS_BUILD=$(WINDOWS_DIR) bench/run $(BUILD_DIR)

# Every C++ file git tracks, laid out by .clang-format; format-check changes nothing and fails on a
# file that differs (CI runs it).
format: deps
	@git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

format-check: deps
	@git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

clean:
	rm -rf build build-*
