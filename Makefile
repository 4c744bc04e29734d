# Quillmere: the two set-up commands are `make run` and `make test`.
BUILD_DIR ?= build
WINDOWS_BUILD_DIR ?= build-windows
BUILD_TYPE ?= RelWithDebInfo
PREFIX ?= /usr/local
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps fuzz-deps windows-deps configure build windows windows-package test test-sanitize \
	run bench install uninstall \
	package fuzz format clean

all: build

deps:
	@scripts/install-deps

fuzz-deps:
	@scripts/install-deps --fuzz

windows-deps:
	@scripts/install-deps --windows

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DQUILLMERE_WINDOWS_BUILD_DIR=$(abspath $(WINDOWS_BUILD_DIR)) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

# The Windows programs, cross-built with mingw-w64: $(WINDOWS_BUILD_DIR)/bin/Quillmere.dll.
windows: windows-deps
	@cmake -S . -B $(WINDOWS_BUILD_DIR) -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake \
		-DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null
	@cmake --build $(WINDOWS_BUILD_DIR)

# The Windows installer and a zip of the programs: $(WINDOWS_BUILD_DIR)/Quillmere-1.0.0-setup.exe
# and Quillmere-1.0.0-windows.zip.
windows-package: windows
	@cmake --build $(WINDOWS_BUILD_DIR) --target windows_package

# Linux first; then the Windows programs under Wine (label windows): their logic tests in the
# Windows build, then the system tests that drive them (and the installer) from Linux. One Wine prefix is made per
# run and copied for every session.
test: build windows-package
	@cd $(BUILD_DIR) && ctest --output-on-failure --timeout 900 -j2 -LE windows
	@tests/windows/wine-session template $(abspath $(WINDOWS_BUILD_DIR))/wine-template --fresh
	@cd $(WINDOWS_BUILD_DIR) && ctest --output-on-failure --timeout 900 -L windows
	@cd $(BUILD_DIR) && ctest --output-on-failure --timeout 900 -j2 -L windows

# The unit tests once with ThreadSanitizer (build-tsan/) and once with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/); any report fails. Not part of `make test` (slow).
test-sanitize: deps
	@scripts/test-sanitize

run: build
	@tools/run-saver $(BUILD_DIR)/bin

# BENCH picks benchmarks by name (BENCH=renderer_bench), and only those are built; the exit status
# is explained in bench/run-all. The default build builds no benchmark.
bench: build
	@scripts/install-deps --bench
	@cmake --build $(BUILD_DIR) --target $(or $(BENCH),quillmere_benchmarks)
	@bench/run-all $(BUILD_DIR) $(BENCH)

# Installing builds nothing, so that `sudo make install` leaves the build folder to its owner.
install:
	@test -f $(BUILD_DIR)/cmake_install.cmake || \
		{ echo "make install: nothing built in $(BUILD_DIR); run make build first." >&2; exit 1; }
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD_DIR) --prefix "$(PREFIX)"

uninstall:
	@test -f $(BUILD_DIR)/packaging/uninstall.cmake || \
		{ echo "make uninstall: no build in $(BUILD_DIR) to uninstall." >&2; exit 1; }
	@DESTDIR="$(DESTDIR)" cmake -P $(BUILD_DIR)/packaging/uninstall.cmake

package: build
	@cd $(BUILD_DIR) && cpack -G DEB

fuzz: fuzz-deps
	@fuzz/run-all $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_BUILD_DIR) $(WINDOWS_BUILD_DIR) build-tsan build-asan
