# The two everyday commands: `make run` and `make test`; `make package` builds the Debian package,
# `make package-windows` the zip of the program for Windows.
.PHONY: run test check build deps clean fuzz package package-windows crash-sweep

JOBS ?= $(shell nproc)

deps:
	@scripts/install-deps

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

run: build
	@scripts/run

test: deps
	@cmake --preset test >/dev/null
	@cmake --build --preset test -j $(JOBS)
	@ctest --preset test -j $(JOBS)
	@JOBS=$(JOBS) scripts/test-windows

# The crash sweep at every crash point of every scenario (`make test` tries a sample of them).
crash-sweep: deps
	@cmake --preset test >/dev/null
	@cmake --build --preset test -j $(JOBS) --target crash-driver tallydial_fault_injector
	@tests/crash/crash_sweep.sh build/test/tests/crash-driver build/test/tests/libtallydial_fault_injector.so \
		build/test/tests/crash_sweep all

# The tree's own rules: folders without include cycles, the layout of .clang-format, clang-tidy clean.
check: deps
	@cmake --preset test >/dev/null
	@scripts/check-layers
	@scripts/check-format
	@JOBS=$(JOBS) scripts/check-tidy build/test

# Every fuzz target for FUZZ_SECONDS (default 60) each.
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@scripts/fuzz

package: build
	@cpack --config build/release/CPackConfig.cmake -B build/package
	@ls build/package/tallydial_*.deb

package-windows: deps
	@cmake --preset windows-x64-qt >/dev/null
	@cmake --build --preset windows-x64-qt -j $(JOBS)
	@cpack --config build/windows-x64-qt/CPackConfig.cmake -B build/windows-x64-qt/package >/dev/null
	@ls build/windows-x64-qt/package/Tallydial-*-windows-x64.zip

clean:
	rm -rf build
