# Entry points for people and CI. Every target installs what is missing,
# configures and builds first.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

# LeakSanitizer runs in this environment, so leaks fail the sanitized tests
# like any other fault.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:strict_string_checks=1 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build test check-layers check-sanitize fuzz check-fuzz demo bench format clean

all: build

deps:
	@scripts/install-deps.sh

# The build the tests run in checks invariants (KORVANE_ASSERT): a broken one
# aborts its test instead of passing unnoticed.
configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_ASSERTIONS=ON > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest -j $(JOBS) --output-on-failure

# Each layer includes only its neighbour (scripts/check_layers.sh); no build.
check-layers:
	@scripts/check_layers.sh

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (-O1, no benchmarks) in $(SANITIZE_DIR); vantool and the probes the tests
# start are sanitized too, so a fault in a child process fails its test.
check-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_SANITIZE=ON \
	  -DKORVANE_ASSERTIONS=ON -DKORVANE_BUILD_BENCH=OFF > /dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest -j $(JOBS) --output-on-failure

# Every libFuzzer target of fuzz/ for FUZZ_SECONDS (default 30) each.
fuzz: deps
	@FUZZ_BUILD_DIR=$(FUZZ_DIR) JOBS=$(JOBS) scripts/fuzz.sh

check-fuzz: fuzz

demo: build
	@scripts/demo.sh

bench: build
	@$(BUILD_DIR)/bin/bench_trace
	@$(BUILD_DIR)/bin/bench_store
	@$(BUILD_DIR)/bin/bench_import
	@$(BUILD_DIR)/bin/bench_component
	@$(BUILD_DIR)/bin/bench_streams
	@$(BUILD_DIR)/bin/bench_activity
	@$(BUILD_DIR)/bin/bench_cspec
	@$(BUILD_DIR)/bin/bench_findmerge
	@$(BUILD_DIR)/bin/bench_diffbl
	@$(BUILD_DIR)/bin/bench_classify
	@bench/vs_git.sh
	@bench/rebase_vs_git.sh
	@bench/deliver_vs_git.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) demo-home
