# Two commands matter: `make run` builds and starts Tintara, `make test` builds and runs the tests.
JOBS ?= $(shell nproc)
CMAKE ?= cmake

.PHONY: run test bench fuzz soak deps build install package clean

deps:
	@./scripts/install-deps.sh

build: deps
	$(CMAKE) --preset release
	$(CMAKE) --build build -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	    echo "tintara: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); run it on a virtual one with: xvfb-run -a make run"; \
	    exit 1; \
	fi
	./build/tintara

test: deps
	$(CMAKE) --preset test
	$(CMAKE) --build build-test -j$(JOBS)
	@# The fuzz targets build with clang and run a few seconds each with a fixed seed.
	./scripts/fuzz.sh 3 1
	cd build-test && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j$(JOBS)
	@# The hardened Release build, packaged and checked as a distribution would.
	$(MAKE) --no-print-directory package

bench:
	@./scripts/install-deps.sh --bench
	$(CMAKE) --preset bench
	$(CMAKE) --build build-bench -j$(JOBS)
	cd build-bench && for b in tintara_bench_load tintara_bench_scan tintara_bench_live tintara_bench_batch; do \
	    QT_QPA_PLATFORM=offscreen bench/$$b --benchmark_repetitions=5 --benchmark_report_aggregates_only=true || exit 1; \
	done
	@# The Python module beside the pipeline's C++ run, scikit-image and its own import.
	if [ -d build-bench/python ]; then /usr/bin/python3 bench/bench_python.py build-bench; fi

PREFIX ?= /usr/local
install: build
	$(CMAKE) --install build --prefix $(PREFIX)

# The .deb, checked with lintian and hardening-check (scripts/package-check.sh).
package: deps
	$(CMAKE) --preset package
	$(CMAKE) --build build -j$(JOBS)
	./scripts/package-check.sh build

fuzz:
	./scripts/fuzz.sh 60

SEED ?= 20261208
ACTIONS ?= 5000
soak: deps
	./scripts/soak.sh $(SEED) $(ACTIONS)

clean:
	rm -rf build build-test build-bench build-fuzz
