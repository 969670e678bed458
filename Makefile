# Two entry points: `make play` and `make test`. Both install missing packages first.
JOBS ?= $(shell nproc)
BUILD ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_FUZZ ?= build-fuzz
# The threads of the media graph: its streaming thread against the game's, and a texture written on
# another thread against the gl backend's upload, under ThreadSanitizer.
TSAN_TARGETS = dshow_tests game_video_tests d3d8_gl_guard_tests
TSAN_TESTS = ^(GraphTest|HostileMovieTest|VideoTest|VideoCopyTest|GlUploadGuardTest)\.

.PHONY: play test install setup configure build build-asan build-tsan unit unit-asan unit-tsan fuzz clean

setup:
	@scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DABISALIA_WERROR=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

build-asan: setup
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DABISALIA_SANITIZE=ON -DABISALIA_BENCHMARKS=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)

build-tsan: setup
	cmake -S . -B $(BUILD_TSAN) -DCMAKE_BUILD_TYPE=Debug -DABISALIA_TSAN=ON -DABISALIA_BENCHMARKS=OFF
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target $(TSAN_TARGETS)
# The libFuzzer harnesses for long fuzzing runs (docs/fuzzing.md); `make test` replays their
# corpus and crashers in both configurations.
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DABISALIA_FUZZ=ON -DABISALIA_BENCHMARKS=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzzers

unit: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

unit-asan: build-asan
	ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

unit-tsan: build-tsan
	ctest --test-dir $(BUILD_TSAN) --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)' --no-tests=error

test: unit unit-asan unit-tsan

# Only what playing needs (the CMake target `playable`: the game, its decoder module, its media),
# in the same build folder as `make build`, so a later `make test` builds on it.
play: configure
	cmake --build $(BUILD) -j $(JOBS) --target playable
	@scripts/play $(BUILD)

# The game installed under PREFIX (default /usr/local): bin/abisalia, lib/abisalia, share/abisalia.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ)
