# The two commands of the README:
#   make demo   build, then upload a bundled program to the simulated console
#               loader over a pseudo-terminal
#   make test   build, then run every test: host build, sanitizer build,
#               fuzzer replay, Windows build under wine, PowerPC build under QEMU
# Both install missing Debian packages when run as root.

JOBS    ?= $(shell nproc)
GEN     ?= -G Ninja
WERROR  ?= $(if $(CI),ON,OFF)
# The sanitizer build uses clang when it is there (its UBSan also checks enum
# loads); the host build uses the default compiler, so both get compiled.
ASAN_CC ?= $(if $(shell command -v clang++),-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++,)
CTEST   := ctest --output-on-failure --timeout 600 -j $(JOBS)

.PHONY: all deps build demo test test-host test-asan test-fuzz test-cross clean

all: build

deps:
	@tools/deps.sh base

build: deps
	cmake -S . -B build $(GEN) -DCMAKE_BUILD_TYPE=Release -DKIT_WERROR=$(WERROR)
	cmake --build build -j $(JOBS)

demo: build
	tools/demo.sh build/bin

test:
	@tools/deps.sh base test $(if $(filter 0,$(shell id -u)),cross,)
	$(MAKE) test-host test-asan test-fuzz test-cross
	@echo "all test suites passed"

test-host: build
	cd build && $(CTEST)

test-asan: deps
	cmake -S . -B build-asan $(GEN) -DCMAKE_BUILD_TYPE=Debug -DKIT_SANITIZE=ON \
	      -DKIT_BENCH=OFF -DKIT_WERROR=$(WERROR) $(ASAN_CC)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST)

test-fuzz:
	@if [ -x tools/fuzz.sh ]; then tools/fuzz.sh; else echo "no fuzz targets yet"; fi

test-cross:
	@if [ -x tools/cross.sh ]; then tools/cross.sh; else echo "no cross builds yet"; fi

clean:
	rm -rf build build-asan build-fuzz build-win build-ppc
