# Thin wrapper over the CMake presets: `make demo` and `make check` are all a newcomer needs.
WERROR ?= OFF
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build release demo prerequisites check check-all check-portable check-asan fuzz fuzz-run fuzz-fix \
  fuzz-smoke bench clean
FUZZ_SECONDS ?= 60

all: build

build:
	cmake --preset debug -DROMLIFT_WERROR=$(WERROR) >/dev/null
	cmake --build --preset debug -j $(JOBS)

release:
	cmake --preset release -DROMLIFT_WERROR=$(WERROR) >/dev/null
	cmake --build --preset release -j $(JOBS) --target romlift romlift-report romlift-ocr

# The whole job on examples/firmware.lst, the sample as OCR read it, in build/demo-run: the
# checks, fix's patch, the one line restored by hand, the images and their sums.
demo:
	@JOBS=$(JOBS) scripts/demo

# One line for each thing the build or the tests need that is missing; stops when the build
# cannot go on.
prerequisites:
	@scripts/prerequisites

# The debug configuration alone, built as far as the tests need (the test program and the three
# tools it runs), then every test but the few labelled slow: `ctest --preset debug -L slow`
# runs those, and so does make check-all.
check: prerequisites
	cmake --preset debug -DROMLIFT_WERROR=$(WERROR) >/dev/null
	cmake --build --preset debug -j $(JOBS) --target romlift_tests
	ctest --preset debug -j $(JOBS) -LE slow

# The whole suite, slow tests too, three times: as built, with the plain byte operations instead
# of the vector ones, then under AddressSanitizer and UndefinedBehaviorSanitizer. Every target
# of each configuration is built, the benchmarks too.
check-all: prerequisites build
	ctest --preset debug -j $(JOBS)
	@$(MAKE) --no-print-directory check-portable check-asan

check-portable:
	cmake --preset portable -DROMLIFT_WERROR=$(WERROR) >/dev/null
	cmake --build --preset portable -j $(JOBS)
	ctest --preset portable -j $(JOBS)

check-asan:
	cmake --preset asan -DROMLIFT_WERROR=$(WERROR) >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

fuzz:
	cmake --preset fuzz -DROMLIFT_WERROR=$(WERROR) >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

# $(call fuzzer,TARGET,FOUND,SEEDS,SECONDS,MAX_LEN[,FLAGS]): runs a fuzz target from its seed
# folders for SECONDS. New inputs go to build/fuzz/FOUND; a crash, hang or broken invariant
# leaves its input in build/fuzz/artifacts.
define fuzzer
	@mkdir -p build/fuzz/$(2) build/fuzz/artifacts
	$(6) build/fuzz/fuzz/$(1) build/fuzz/$(2) $(3) -max_total_time=$(4) -max_len=$(5) -timeout=10 \
	  -rss_limit_mb=2048 -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 $(7)
endef
RUN_SEEDS := fuzz/corpus examples tests/regressions
# Under the sanitizers fix takes tens of milliseconds a kilobyte: its inputs stay under one.
FIX_SEEDS := fuzz/fix_corpus tests/regressions
# fix touches tens of thousands of coverage features a run: the entropic schedule's bookkeeping
# of them, and the allocation stacks the address sanitizer records for every one of fix's many
# small allocations (two frames kept), would take as long as fix itself. Replay an artifact
# with the target alone for the full stacks.
FIX_ENV := ASAN_OPTIONS=malloc_context_size=2
FIX_FLAGS := -entropic=0
HALF_SECONDS = $(shell expr $(FUZZ_SECONDS) / 2)

# A whole run with every report but fix, for FUZZ_SECONDS.
fuzz-run: fuzz
	$(call fuzzer,romlift_fuzz,found,$(RUN_SEEDS),$(FUZZ_SECONDS),65536)

# fix alone, for FUZZ_SECONDS.
fuzz-fix: fuzz
	$(call fuzzer,romlift_fix_fuzz,found-fix,$(FIX_SEEDS),$(FUZZ_SECONDS),1024,$(FIX_ENV),$(FIX_FLAGS))

# Both targets, FUZZ_SECONDS in all: half each.
fuzz-smoke: fuzz
	$(call fuzzer,romlift_fuzz,found,$(RUN_SEEDS),$(HALF_SECONDS),65536)
	$(call fuzzer,romlift_fix_fuzz,found-fix,$(FIX_SEEDS),$(shell expr $(FUZZ_SECONDS) - $(HALF_SECONDS)),1024,$(FIX_ENV),$(FIX_FLAGS))

# Builds the release configuration, measures romlift on generated listings of 10 and 100 MB,
# runs the micro benchmarks and writes the figures to docs/performance.md.
bench:
	@bash bench/run_bench.sh

clean:
	rm -rf build
