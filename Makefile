# Front door: `make run` and `make test` install what is missing, build and go.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE ?=
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DRATELARK_SANITIZE=$(SANITIZE)

.PHONY: deps configure build run test bench install clean

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

run: build
	./$(BUILD)/bin/ratelark $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j2 $(CTEST_ARGS)

bench: build
	@RATELARK_BENCH_DEPS=1 ./scripts/install-deps
	@cmake --build $(BUILD) --target bench
	./bench/run $(BUILD)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

clean:
	rm -rf $(BUILD)
