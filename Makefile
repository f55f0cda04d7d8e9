# The two everyday commands:
#   make test   configure, build and run every test, plainly and under the sanitizers
#   make demo   run the toolkit on the small samples it ships, into demo-out/
# And for maintainers:
#   make bench  build and run the benchmarks (needs Google Benchmark)
#   make fuzz   build the fuzz targets with clang and run each for a short while
#   make windows       cross-build the Windows programs and pack them into dist/
#   make test-windows  cross-build and run the tests of the Windows build under Wine

BUILD     ?= build
SAN_BUILD ?= build-sanitize
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
WIN_BUILD ?= build-windows
WIN_TOOLCHAIN = cmake/mingw-w64-x86_64.cmake
DIST      ?= dist
JOBS      ?= 2
# Under CI (the variable CI set) every compiler warning fails the build.
WERROR    := -DU7_WERROR=$(if $(CI),ON,OFF)

.PHONY: all build test test-plain test-sanitize demo bench fuzz windows windows-build test-windows clean

all: build

build:
	cmake -S . -B $(BUILD) $(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

test: test-plain test-sanitize

test-plain: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-sanitize:
	cmake -S . -B $(SAN_BUILD) -DU7_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug $(WERROR)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

demo: build
	bash scripts/demo.sh $(BUILD)/bin demo-out

bench:
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DU7_BUILD_TESTS=OFF -DU7_BUILD_BENCHMARKS=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	bash scripts/bench.sh $(BENCH_BUILD)

fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DU7_BUILD_TESTS=OFF -DU7_BUILD_FUZZERS=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash scripts/fuzz.sh $(FUZZ_BUILD)

windows: windows-build
	bash scripts/package_windows.sh $(WIN_BUILD) $(DIST)

windows-build:
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release -DU7_BUILD_TESTS=OFF
	cmake --build $(WIN_BUILD) -j $(JOBS)

# The unit tests are cross-built and run under Wine (its Windows
# installation is made in $(WIN_BUILD)/wineprefix on first use); the
# end-to-end tests of the Linux build run the Windows programs.
test-windows: build
	bash scripts/test_windows.sh $(WIN_BUILD) $(BUILD) $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(DIST) demo-out fuzz-out
