# Quillmere: the two set-up commands are `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all deps configure build test run bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure --timeout 900 -j2

run: build
	@tools/run-saver $(BUILD_DIR)/bin

# BENCH picks benchmarks by name (BENCH=renderer_bench); the exit status is explained in
# bench/run-all.
bench: build
	@scripts/install-deps --bench
	@bench/run-all $(BUILD_DIR) $(BENCH)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
