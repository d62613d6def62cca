# The two everyday commands: `make demo` and `make test`. Both install what is missing first.
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)

.PHONY: all deps build demo test test-asan fuzz bench clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	bash scripts/demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The build runs instrumented programs too (the seed maker, test discovery).
test-asan: export LSAN_OPTIONS = suppressions=$(CURDIR)/scripts/lsan-suppressions.txt
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLICOR_SANITIZE=ON -DPELLICOR_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# Builds the fuzz targets with clang, libFuzzer, ASan and UBSan and runs each for
# FUZZ_SECONDS, starting from the seed corpora of the test build.
fuzz: build
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DPELLICOR_FUZZ=ON -DPELLICOR_TESTS=OFF -DPELLICOR_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	bash scripts/run-fuzzers.sh $(FUZZ_BUILD) $(BUILD)/fuzz-seeds $(FUZZ_SECONDS)

bench: build
	$(BUILD)/pellicor_bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
