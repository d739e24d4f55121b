# The two commands a newcomer needs:
#   make test   installs what is missing, builds, and runs every test (the
#               unit tests under AddressSanitizer + UndefinedBehaviorSanitizer;
#               make unit-tests runs them without)
#   make demo   shows the plug-in driving the virtual DMX interface
#   make bench  measures the plug-in under Wine against the line's limit and a
#               naive driver (several minutes; bench/results/latest.md and .png)
# and, for a longer look: make fuzz and the mutation check, make mutants and
# make mutants-port (see below).
.PHONY: test unit-tests sanitize-tests fuzz-smoke wine-tests wine-builds fuzz deps-core demo bench \
        mutants mutants-port clean

JOBS ?= $(shell nproc)
# Seconds each libFuzzer target runs in make fuzz (make test gives each 10 s).
FUZZ_SECONDS ?= 300
# Seeds of random host calls against a randomly failing driver in make fuzz
# (make test runs 200 from seed 1).
CHAOS_RUNS ?= 100000

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

# The core's libFuzzer targets (clang), briefly, from the committed seeds.
fuzz-smoke:
	@bash scripts/install-deps.sh core fuzz
	@echo "==> Building the fuzzing targets and running each for 10 s"
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	TARVOLK_FUZZ_SECONDS=10 ctest --preset fuzz -j $(JOBS)

# The component cross-built for 32- and 64-bit Windows, and the native
# virtual DMX interface the end-to-end tests listen with.
wine-builds:
	@bash scripts/install-deps.sh core windows
	@echo "==> Building the virtual DMX interface the Wine tests listen with"
	cmake --preset native
	cmake --build --preset native -j $(JOBS) --target dmx-interface
	@echo "==> Cross-building the 32- and 64-bit component"
	cmake --preset win32
	cmake --build --preset win32 -j $(JOBS)
	cmake --preset win64
	cmake --build --preset win64 -j $(JOBS)

# Every Wine test, with 3000 random dispatch calls, 300 Enable/Disable cycles
# and 50 closes mid-frame, both architectures side by side.
wine-tests: wine-builds
	@bash scripts/wine-tests.sh

test: sanitize-tests fuzz-smoke wine-tests
	@echo "==> All tests passed"

# The long run: each libFuzzer target for FUZZ_SECONDS, then for both
# architectures 10^5 random dispatch calls, 10^4 Enable/Disable cycles, 200
# closes mid-frame and CHAOS_RUNS seeds of the serial layer's chaos run.
fuzz: wine-builds
	@bash scripts/install-deps.sh core fuzz
	@echo "==> Running each fuzzing target for $(FUZZ_SECONDS) s"
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	TARVOLK_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --preset fuzz
	@echo "==> 10^5 dispatch calls, 10^4 Enable/Disable cycles, 200 closes mid-frame and $(CHAOS_RUNS) chaos seeds on each architecture"
	TARVOLK_FUZZ_CALLS=100000 TARVOLK_SOAK_CYCLES=10000 TARVOLK_REOPEN_CYCLES=200 \
	  TARVOLK_CHAOS_RUNS=$(CHAOS_RUNS) TARVOLK_CHAOS_SEED=$$(date +%s) TARVOLK_WINE_TIMEOUT=3500 \
	  bash scripts/wine-tests.sh -L fuzz
	@echo "==> The fuzzing run passed"

# The mutation check (scripts/mutants.py): one small change to the code at a
# time, rebuilt and tested in a clone of HEAD; a change no test notices
# survives. ARGS passes options on, e.g. make mutants ARGS="--ids 162" or
# ARGS="--max 20" (a random 20). Each prints the time it took at the end.
MUTANTS = python3 scripts/mutants.py --jobs $(JOBS)

# The core against the native unit tests: about 1.5 min to build, then about
# 4 s a mutant on 2 cores (ARGS="--max 20": 3 min; all 750: about 50 min).
mutants:
	@bash scripts/install-deps.sh core mutants
	$(MUTANTS) $(ARGS)

# The Windows port against its tests under Wine, each mutant in a fresh
# prefix, on an otherwise idle machine: about 3 min to build and make the
# prefix, then about 17 s a mutant on 2 cores (ARGS="--max 5": 4 min; all
# 350: about 1 h 45 min).
mutants-port:
	@bash scripts/install-deps.sh core windows mutants
	$(MUTANTS) --preset win32 --target comm_port_tests --target serial_chaos \
	  --test 'wine_comm_port_drivers|wine_serial_chaos' --files 'src/platform/win32/serial/*.cpp' $(ARGS)

demo:
	@bash scripts/demo.sh

bench:
	@bash bench/run_bench.sh

clean:
	rm -rf build
