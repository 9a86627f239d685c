# Thin wrapper over the CMake presets: `make demo` and `make check` are all a newcomer needs.
WERROR ?= OFF
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
DEMO_DIR := build/demo-run

.PHONY: all build release demo check clean

all: build

build:
	cmake --preset debug -DROMLIFT_WERROR=$(WERROR) >/dev/null
	cmake --build --preset debug -j $(JOBS)

release:
	cmake --preset release -DROMLIFT_WERROR=$(WERROR) >/dev/null
	cmake --build --preset release -j $(JOBS) --target romlift

# Runs the standard run on the bundled listing in a scratch folder and shows what it did.
demo: release
	@rm -rf $(DEMO_DIR) && mkdir -p $(DEMO_DIR)
	@echo "== romlift < examples/sample.lst   (in $(DEMO_DIR))"
	@cd $(DEMO_DIR) && ../release/romlift < ../../examples/sample.lst > stdout.txt 2> stderr.txt; \
	  echo "exit status: $$?"
	@echo "== standard output"; cat $(DEMO_DIR)/stdout.txt
	@echo "== standard error"; cat $(DEMO_DIR)/stderr.txt
	@echo "== image files made"; cd $(DEMO_DIR) && ls -l *.bin 2>/dev/null || echo "(none)"
	@cd $(DEMO_DIR) && for f in *.bin; do [ -f "$$f" ] && { echo "-- $$f"; od -A x -t x1 "$$f" | head -n 8; }; done; true

check: build
	ctest --preset debug -j $(JOBS)

clean:
	rm -rf build
