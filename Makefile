# The two everyday commands, the whole set-up of a fresh Debian machine
# (each first installs with apt-get what the machine lacks for it):
#   make test   configure, build and run every test, plainly and under the
#               sanitizers, and build the benchmarks and run their own tests
#   make demo   build the programs and run them on the small samples it ships, into demo-out/
# And for maintainers:
#   make bench  build and run the benchmarks
#   make fuzz   build the fuzz targets with clang and run each for a short while
#   make windows       cross-build the Windows programs and pack them into dist/
#   make test-windows  cross-build and run the tests of the Windows build under Wine

BUILD     ?= build
SAN_BUILD ?= build-sanitize
BENCH_BUILD ?= build-bench
DEMO_BUILD ?= build-demo
FUZZ_BUILD ?= build-fuzz
WIN_BUILD ?= build-windows
WIN_TOOLCHAIN = cmake/mingw-w64-x86_64.cmake
DIST      ?= dist
JOBS      ?= 2
# Under CI (the variable CI set) every compiler warning fails the build.
WERROR    := -DU7_WERROR=$(if $(CI),ON,OFF)
# Installs with apt-get what the machine lacks for the purposes named.
DEPS      = bash scripts/install_deps.sh

.PHONY: all build test test-plain test-sanitize test-bench demo bench bench-build fuzz windows windows-build test-windows clean

all: build

# The test build holds the benchmarks too, so that make test builds bench/
# without compiling the libraries a third time.
build:
	$(DEPS) test
	cmake -S . -B $(BUILD) -DU7_BUILD_BENCHMARKS=ON $(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

test: test-plain test-sanitize test-bench

test-plain: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	$(DEPS) test
	cmake -S . -B $(SAN_BUILD) -DU7_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(WERROR)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

# The programs and the demo's sample generators only, in a build of their
# own without the tests.
demo:
	$(DEPS) demo
	cmake -S . -B $(DEMO_BUILD) -DU7_BUILD_TESTS=OFF $(WERROR)
	cmake --build $(DEMO_BUILD) -j $(JOBS)
	bash scripts/demo.sh $(DEMO_BUILD)/bin demo-out

bench-build:
	$(DEPS) bench
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DU7_BUILD_TESTS=OFF -DU7_BUILD_BENCHMARKS=ON $(WERROR)
	cmake --build $(BENCH_BUILD) -j $(JOBS)

bench: bench-build
	bash scripts/bench.sh $(BENCH_BUILD)

# The benchmarks are built (in the test build) and program_bench's own
# tests run; the timed runs are left to make bench, in its Release build.
test-bench: build
	$(BUILD)/bench_tools/program_bench_test --gtest_brief=1

fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DU7_BUILD_TESTS=OFF -DU7_BUILD_FUZZERS=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash scripts/fuzz.sh $(FUZZ_BUILD)

windows: windows-build
	bash scripts/package_windows.sh $(WIN_BUILD) $(DIST)

# The first configure also cross-builds libpng and FreeType from Debian's
# source packages into $(WIN_BUILD)/windows-deps (scripts/windows_deps.sh).
windows-build:
	$(DEPS) windows
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release -DU7_BUILD_TESTS=OFF
	cmake --build $(WIN_BUILD) -j $(JOBS)

# The unit tests are cross-built and run under Wine (its Windows
# installation is made in $(WIN_BUILD)/wineprefix on first use); the
# end-to-end tests of the Linux build run the Windows programs.
test-windows: build
	$(DEPS) windows
	bash scripts/test_windows.sh $(WIN_BUILD) $(BUILD) $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BENCH_BUILD) $(DEMO_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(DIST) demo-out fuzz-out
