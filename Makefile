# Two entry points: `make play` and `make test`. Both install missing packages first.
JOBS ?= $(shell nproc)
BUILD ?= build
BUILD_ASAN ?= build-asan

.PHONY: play test setup build build-asan unit unit-asan clean

setup:
	@scripts/setup

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-asan: setup
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DABISALIA_SANITIZE=ON -DABISALIA_BENCHMARKS=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)

unit: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

unit-asan: build-asan
	ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

test: unit unit-asan

play: build
	@scripts/play $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
