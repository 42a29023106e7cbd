# make run   - install what is missing, build, start the launcher
# make test  - install what is missing, build, run every test (plain and sanitizer builds)
# make package - build, then a Debian package build/fragdeck_VERSION_ARCH.deb
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
# The sanitizer build uses clang, which also builds the fuzz targets (libFuzzer).
SANITIZE_CXX ?= $(if $(shell command -v clang++),clang++,g++)
SANITIZE_CC ?= $(if $(shell command -v clang),clang,gcc)

.PHONY: deps configure build run test test-plain test-sanitize bench screenshots install package clean

deps:
	@scripts/install-deps

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/fragdeck/fragdeck

test-plain: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize: deps
	@[ -f $(SANITIZE_BUILD)/build.ninja ] || CC=$(SANITIZE_CC) CXX=$(SANITIZE_CXX) cmake -S . \
	    -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFRAGDECK_SANITIZE=ON \
	    -DFRAGDECK_BENCH=OFF
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS)

test: test-plain test-sanitize

bench: build
	cmake --build $(BUILD) --target benchmarks -j $(JOBS)
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b || exit 1; done

screenshots: build
	scripts/screenshots screenshots

install: build
	cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
