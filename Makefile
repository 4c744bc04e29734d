# Quillmere: the two set-up commands are `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps fuzz-deps configure build test run bench fuzz format clean

all: build

deps:
	@scripts/install-deps

fuzz-deps:
	@scripts/install-deps --fuzz

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure --timeout 900 -j2

run: build
	@tools/run-saver $(BUILD_DIR)/bin

bench: build
	@bench/run-all $(BUILD_DIR)

fuzz: fuzz-deps
	@fuzz/run-all $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_BUILD_DIR)
