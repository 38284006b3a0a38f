# Front door: `make run` and `make test` install what is missing, build and go.
BUILD ?= build
# `make package` builds in a folder of its own, for the prefix /usr.
PACKAGE_BUILD ?= build-package
BUILD_TYPE ?= RelWithDebInfo
SANITIZE ?=
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DRATELARK_SANITIZE=$(SANITIZE)

# The real status-area hosts (root only): HOSTS_DIR holds their scripts.
HOSTS_DIR ?= ../shared/hosts

.PHONY: deps configure build run test bench hosts-check faults install package clean

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

# RateLark started many times in GNOME Shell, waybar and xfce4-panel; prints
# in how many starts its item showed.
hosts-check: build
	HOSTS_DIR="$(HOSTS_DIR)" BUILD="$(BUILD)" ./scripts/hosts-check

# Faults that take a race to show, each run many times (bench/faults).
faults: build
	./bench/faults $(BUILD)

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

# Compiled as Debian compiles its packages: dpkg-buildflags' optimisation and
# all of its hardening, no build type of CMake's own.
package: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
package:
	@RATELARK_PACKAGE_DEPS=1 ./scripts/install-deps
	@CXXFLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
		LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
		cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
		-DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(PACKAGE_BUILD) --target package

clean:
	rm -rf $(BUILD) $(PACKAGE_BUILD)
