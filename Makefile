# Entry points for a newcomer. Each target first installs any missing system
# packages (scripts/install-deps.sh is idempotent), then configures and builds
# the whole tree in build/ with CMake and Ninja.

BUILD_DIR ?= build
# The engine, the orvex tool and their tests built again with the address and
# undefined-behaviour sanitizers; make test runs their tests too.
SANITIZE_DIR ?= $(BUILD_DIR)-sanitize
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build sanitize-build test run bench clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

sanitize-build: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTESSALY_SANITIZE=ON \
		-DTESSALY_PARTS="engine;tools" >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)

test: build sanitize-build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	@cd $(SANITIZE_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	@./scripts/install-deps.sh --run
	@./scripts/run-demo.sh $(BUILD_DIR)

bench: build
	@cmake --build $(BUILD_DIR) --target benchmarks -j $(JOBS)
	@for b in $(BUILD_DIR)/bin/*_bench; do echo "== $$b"; "$$b" || exit 1; done

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
