# Dravel: `make run` builds and starts the panel, `make test` builds and runs every test,
# `make package` builds build/dravel_<version>_<arch>.deb, and `make install` installs into
# PREFIX (default /usr/local), under DESTDIR when given.
BUILD     ?= build
SAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS      ?= $(shell nproc)

PREFIX    ?=

.PHONY: all deps build test test-sanitized test-fuzz run bench package install clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory test-sanitized
	@$(MAKE) --no-print-directory test-fuzz

# The core once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitized: deps
	@cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DDRAVEL_WITH_QT=OFF -DDRAVEL_SANITIZE=ON > /dev/null
	@cmake --build $(SAN_BUILD) -j$(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j$(JOBS) -L core

# Each fuzz target for a minute from its seed corpus, under the same sanitizers; clang only.
test-fuzz: deps
	@if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then \
	  echo "Fuzzing skipped: clang is not installed (see debian-packages.txt)." >&2; \
	  exit 0; \
	fi; \
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAVEL_WITH_QT=OFF -DDRAVEL_BENCH=OFF -DDRAVEL_FUZZ=ON > /dev/null && \
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers && \
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j$(JOBS) -L fuzz

# The display is checked first, so a missing one is said at once, before any build.
run:
	@if [ -z "$$DISPLAY" ]; then \
	  echo "No display: DISPLAY is not set. Run 'make run' from a desktop session," >&2; \
	  echo "or start a virtual one, e.g.: Xvfb :5 & DISPLAY=:5 make run" >&2; \
	  exit 1; \
	fi
	@$(MAKE) --no-print-directory build
	$(BUILD)/src/dravel

package: build
	@cmake --build $(BUILD) --target package

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) $(if $(PREFIX),--prefix "$(PREFIX)")

bench: build
	@for b in $(BUILD)/bench/*_bench; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
