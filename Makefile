# Entry points for people and CI. Every target installs what is missing,
# configures and builds first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build test demo bench format clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest -j $(JOBS) --output-on-failure

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
	@bench/vs_git.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR) demo-home
