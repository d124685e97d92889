# Entry points for people: `make run` and `make test` install what is missing,
# configure, build, and then run the program or the whole test suite.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# WERROR=ON makes every compiler warning an error (CI does); off by default so
# a newer compiler's new warnings do not stop a build.
WERROR ?= OFF
# BENCH=OFF leaves out the benchmarks (bench/), which no test runs.
BENCH ?= ON
# DEBUG_INFO=OFF builds without debug information: a quarter less compile
# time and far quicker links, for builds nobody will step through (CI).
DEBUG_INFO ?= ON
ifeq ($(DEBUG_INFO),OFF)
  NO_DEBUG_INFO := -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
endif
# UNITY=ON compiles each target's sources in batches of 8: about 30 % less
# compile time in the plain build and half in the sanitizer build, but an edit
# rebuilds its whole batch, so day-to-day builds keep it off (CI has it on).
UNITY ?= OFF
# One clang build with AddressSanitizer and UndefinedBehaviorSanitizer serves
# both the tests under the sanitizers and the fuzzing. -O1 and line tables
# only: quicker to build, link and run than -O0 -g, and the reports still
# name file and line; assertions stay on.
SAN_BUILD ?= $(BUILD)-san
# It is built in batches (see UNITY): it is built whole, rarely edited a file at a time.
SAN_UNITY ?= ON

.PHONY: all deps configure build run test asan-test san-configure package fuzz clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVARDEN_WERROR=$(WERROR) \
	  -DVARDEN_BUILD_BENCH=$(BENCH) -DVARDEN_UNITY=$(UNITY) $(NO_DEBUG_INFO)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The window with the built-in virtual processor as its first port.
run: build
	$(BUILD)/app/varden --simulate

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The core and widget tests once more with AddressSanitizer and UndefinedBehaviorSanitizer,
# the fuzz targets' replays among them. Instrumented code runs several times
# slower: the random window test takes fewer gestures, and the two tests that
# hold the fit and the aligner against slow brute-force searches (the searches
# are most of their time; the fit and the aligner run under the sanitizers in
# the other tuning tests) run only in the plain build.
SAN_GESTURES ?= 500
SAN_SKIP ?= ^(EqFit.ComesWithinFivePercentOfTheBestFitTheRulesAllow|ChannelAlignment.CrossoversFreeMove.*)$$
asan-test: san-configure
	cmake --build $(SAN_BUILD) -j $(JOBS)
	VARDEN_GESTURES=$(SAN_GESTURES) ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS) -L "core|gui" \
	  -E '$(SAN_SKIP)'

san-configure: deps
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DVARDEN_SANITIZE=ON -DVARDEN_FUZZ=ON \
	  -DVARDEN_BUILD_BENCH=OFF -DVARDEN_BUILD_GALLERY=OFF -DVARDEN_TEST_LABELS="core;gui" \
	  -DVARDEN_UNITY=$(SAN_UNITY)

# The Debian package, $(BUILD)/varden_<version>_<arch>.deb, with its
# dependencies found by dpkg-shlibdeps.
package: build
	@scripts/install-deps.sh package
	cmake --build $(BUILD) --target package

# The libFuzzer targets (in the sanitizer build), each run FUZZ_SECONDS on its corpus.
FUZZ_SECONDS ?= 30
fuzz: san-configure
	cmake --build $(SAN_BUILD) -j $(JOBS) --target fuzz_targets
	scripts/run-fuzz.sh $(SAN_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BUILD)-asan $(BUILD)-fuzz
