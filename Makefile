# The two commands a newcomer needs:
#   make test   installs what is missing, builds, and runs every test
#   make demo   shows the plug-in driving the virtual DMX interface
#   make bench  measures the plug-in under Wine against the line's limit and a
#               naive driver (several minutes; bench/results/latest.md and .png)
.PHONY: test unit-tests sanitize-tests wine-tests deps-core demo bench clean

JOBS ?= $(shell nproc)

deps-core:
	@bash scripts/install-deps.sh core

unit-tests: deps-core
	@echo "==> Building and running the unit tests"
	cmake --preset native
	cmake --build --preset native -j $(JOBS)
	ctest --preset native

sanitize-tests: deps-core
	@echo "==> Building and running the unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize

# The component cross-built for 32- and 64-bit Windows and tested under Wine.
# The native build provides the virtual DMX interface the end-to-end tests use.
wine-tests:
	@bash scripts/install-deps.sh core windows
	@echo "==> Building the native tools the Wine tests listen with"
	cmake --preset native
	cmake --build --preset native -j $(JOBS)
	@echo "==> Cross-building the 32-bit component and testing it under Wine"
	cmake --preset win32
	cmake --build --preset win32 -j $(JOBS)
	ctest --preset win32
	@echo "==> Cross-building the 64-bit component and testing it under Wine"
	cmake --preset win64
	cmake --build --preset win64 -j $(JOBS)
	ctest --preset win64

test: unit-tests sanitize-tests wine-tests
	@echo "==> All tests passed"

demo:
	@bash scripts/demo.sh

bench:
	@bash bench/run_bench.sh

clean:
	rm -rf build
