# The two commands a newcomer needs:
#   make test   installs what is missing, builds, and runs every test
#   make demo   shows the plug-in driving the virtual DMX interface
.PHONY: test unit-tests sanitize-tests deps-core demo clean

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

test: unit-tests sanitize-tests
	@echo "==> All tests passed"

demo:
	@bash scripts/demo.sh

clean:
	rm -rf build
