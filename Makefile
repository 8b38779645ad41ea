# The project's commands. Each installs what it misses (Debian 12, as root) and builds first.
#   make run      tavos-sim: the program on the simulated notebook
#   make test     every test: unit and integration (g++), sanitizers and fuzzers (clang),
#                 the Windows cross build, the Win32 API tests, Tavos.exe under Wine, and the
#                 scenarios on the real Tavos.exe and portio.sys under Wine (docs/wine.md)
#   make windows  the Windows deliverables into dist/i686/ (with the installer TavosSetup.exe)
#                 and dist/x86_64/
.PHONY: help run test windows deps dev sanitize fuzz bench sizes clean

JOBS ?= 2
FUZZ_SECONDS ?= 20

help:
	@echo "make run      build tavos-sim alone and start it: Tavos on a simulated notebook"
	@echo "make test     install what is missing, build everything, run every test leg"
	@echo "make windows  the Windows deliverables into dist/i686 (the product) and dist/x86_64"
	@echo "make bench    the benchmarks' counters and the shipped sizes"
	@echo "make clean    remove build/ and dist/"
	@echo "Each installs the Debian packages it needs (tools/install-deps.sh) and builds first."

deps:
	@./tools/install-deps.sh

# -U: a folder list left in the cache by a partial build must not narrow the full one.
dev: deps
	cmake --preset dev -UTAVOS_TEST_AREAS >/dev/null
	cmake --build --preset dev -j $(JOBS)

sanitize: deps
	cmake --preset sanitize -UTAVOS_TEST_AREAS >/dev/null
	cmake --build --preset sanitize -j $(JOBS)

windows: deps
	cmake --preset windows-i686 >/dev/null
	cmake --build --preset windows-i686 -j $(JOBS)
	cmake --install build/windows-i686 >/dev/null
	cmake --preset windows-x86_64 >/dev/null
	cmake --build --preset windows-x86_64 -j $(JOBS)
	cmake --install build/windows-x86_64 >/dev/null
	@echo "dist/i686:"; ls dist/i686

# Only what tavos-sim needs: no tests, no Windows builds, no Wine.
run:
	@./tools/install-deps.sh run
	@cmake --preset run >/dev/null
	@cmake --build --preset run -j $(JOBS)
	@./build/run/tools/tavos-sim/tavos-sim

fuzz: sanitize
	./tools/run-fuzzers.sh build/sanitize $(FUZZ_SECONDS)

bench: dev windows
	./build/dev/bench/portio_bench --benchmark_min_time=0.05
	./build/dev/bench/tick_bench
	@$(MAKE) --no-print-directory sizes

# The shipped images' sizes as shipped (stripped); Tavos.exe is meant to stay within 200 KiB.
sizes:
	@for f in dist/i686/Tavos.exe dist/i686/portio.sys dist/i686/TavosSetup.exe; do \
	  [ -f $$f ] && printf '%-26s %8d bytes (%d KiB)\n' $$f $$(stat -c %s $$f) $$(( ($$(stat -c %s $$f) + 1023) / 1024 )); \
	done; true

# Every leg runs, whatever the ones before did; one summary table closes it (tools/run-tests.sh).
test:
	@JOBS=$(JOBS) FUZZ_SECONDS=$(FUZZ_SECONDS) ./tools/run-tests.sh

clean:
	rm -rf build dist
