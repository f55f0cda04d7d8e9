# The two everyday commands:
#   make test   configure, build and run every test, plainly and under the sanitizers
#   make demo   run the toolkit on the small samples it ships, into demo-out/
# And for maintainers:
#   make bench  build and run the benchmarks (needs Google Benchmark)
#   make fuzz   build the fuzz targets with clang and run each for a short while

BUILD     ?= build
SAN_BUILD ?= build-sanitize
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
JOBS      ?= 2
# Under CI (the variable CI set) every compiler warning fails the build.
WERROR    := -DU7_WERROR=$(if $(CI),ON,OFF)

.PHONY: all build test test-plain test-sanitize demo bench fuzz clean

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

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) demo-out fuzz-out
