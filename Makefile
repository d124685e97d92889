# Entry points for people: `make run` and `make test` install what is missing,
# configure, build, and then run the program or the whole test suite.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# WERROR=ON makes every compiler warning an error (CI does); off by default so
# a newer compiler's new warnings do not stop a build.
WERROR ?= OFF

.PHONY: all deps configure build run test asan-test package fuzz clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVARDEN_WERROR=$(WERROR)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The window with the built-in virtual processor as its first port.
run: build
	$(BUILD)/app/varden --simulate

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The core and widget tests once more with AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test: deps
	cmake -S . -B $(BUILD)-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARDEN_SANITIZE=ON -DVARDEN_BUILD_BENCH=OFF -DVARDEN_BUILD_GALLERY=OFF
	cmake --build $(BUILD)-asan -j $(JOBS)
	ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS) -L "core|gui"

# The Debian package, $(BUILD)/varden_<version>_<arch>.deb, with its
# dependencies found by dpkg-shlibdeps.
package: build
	@scripts/install-deps.sh package
	cmake --build $(BUILD) --target package

# The libFuzzer targets (clang, ASan, UBSan), each run FUZZ_SECONDS on its corpus.
FUZZ_SECONDS ?= 30
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARDEN_FUZZ=ON -DVARDEN_BUILD_BENCH=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzz_targets
	scripts/run-fuzz.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz
