# Two commands for a new user: `make run` and `make test`. Both install what
# they need first (Debian packages), configure and build.
BUILD ?= build
CMAKE_ARGS ?=
CTEST_ARGS ?=
UNATTENDED ?= 0
JOBS ?= $(shell nproc)

.PHONY: run test build deps clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 600 $(CTEST_ARGS)

# With a display the demo shows the installer's window; UNATTENDED=1 installs
# from the terminal instead.
run: build
	@UNATTENDED=$(UNATTENDED) scripts/run-demo.sh $(BUILD)

clean:
	rm -rf $(BUILD)
