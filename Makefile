# Thin wrapper over CMake: one build directory, configured once.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# WERROR=ON (or OFF) sets warnings as errors in every build directory it
# reaches, as CI does; unset, a directory keeps what it was configured with.
WERROR ?=
WERROR_FLAG = $(if $(WERROR),-DTARVOLIN_WERROR=$(WERROR))

.PHONY: all deps configure build run test bench clean test-asan fuzz

all: build

deps:
	@tools/install-deps.sh

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) $(WERROR_FLAG)

configure: deps $(BUILD_DIR)/CMakeCache.txt
	$(if $(WERROR),cmake -S . -B $(BUILD_DIR) $(WERROR_FLAG))

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "No display found: starting under xvfb-run (nothing will be visible)."; \
	  xvfb-run -a $(BUILD_DIR)/bin/tarvolin; \
	else \
	  $(BUILD_DIR)/bin/tarvolin; \
	fi

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks
	@bench/run.sh $(BUILD_DIR)/bin

clean:
	rm -rf $(BUILD_DIR)

# The Debian package, $(BUILD_DIR)/tarvolin_<version>_<arch>.deb (CPack).
.PHONY: package
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# Checked builds, each in a build directory of its own: `make test` above
# stays uninstrumented. Any sanitizer report stops the run with a failure.
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
SANITIZER_ENV = ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOLIN_SANITIZE=ON $(WERROR_FLAG)
	$(SANITIZER_ENV) cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

fuzz: deps
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DTARVOLIN_FUZZ=ON $(WERROR_FLAG)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets
	$(SANITIZER_ENV) fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)
