# Entry points: `make run` and `make test` work on a fresh Debian machine.
BUILD      ?= build
BUILD_SAN  ?= build-san
BUILD_FUZZ ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# CI=true (as CI runs) turns warnings into errors.
WERROR     := $(if $(filter true,$(CI)),-DTSERVICE_WERROR=ON,-DTSERVICE_WERROR=OFF)
PREFIX     ?= /usr/local
# A compiler cache, when there is one, keyed on paths relative to this folder
# so a fresh clone elsewhere reuses what an earlier build compiled.
LAUNCHER   := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

# dpkg-dev and file: the package's dependencies from its shared libraries.
DEB_PACKAGES = cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev \
               qt6-charts-dev qt6-translations-l10n libgtest-dev libgmock-dev \
               libbenchmark-dev python3 xvfb xauth openbox poppler-utils dpkg-dev file ccache \
               locales
# Only for check-long: clang with libFuzzer and its sanitizer runtimes.
FUZZ_DEB_PACKAGES = clang libclang-rt-14-dev
FUZZ_TARGETS = fuzz_exchange fuzz_table fuzz_entry fuzz_load
FUZZ_SECONDS ?= 60
SOAK_SIZE    ?= 100000

.PHONY: deps deps-fuzz build run test check check-san check-package check-long bench screenshots \
        package install clean

# Installed packages count under their own names and what they provide, so a
# machine that has everything never reaches apt-get or sudo.
deps:
	@missing="$$(tools/deb-missing $(DEB_PACKAGES))"; \
	if [ -n "$$missing" ]; then \
	  echo "installing: $$missing"; \
	  SUDO=""; [ "$$(id -u)" -ne 0 ] && SUDO=sudo; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi
	@tools/comma-locale

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS) $(WERROR) $(LAUNCHER) -DTSERVICE_BENCH=OFF
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@tools/run-demo $(BUILD)

# Every test, the package check, then the same tests under AddressSanitizer,
# UBSan and LeakSanitizer.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	tools/check-package $(BUILD)
	$(MAKE) check-san

# The Debian package ($(BUILD)/tservice_VERSION_ARCH.deb): both programs, the
# sensor tables, desktop entry, icon and manual pages.
package: build
	rm -f $(BUILD)/tservice_*.deb
	cd $(BUILD) && cpack -G DEB

# The same tree under PREFIX (DESTDIR is honoured).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Builds the package, unpacks it into a temporary folder and runs it there.
check-package: build
	tools/check-package $(BUILD)

check: test

check-san: deps
	cmake -S . -B $(BUILD_SAN) $(WERROR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DTSERVICE_SANITIZE=ON -DTSERVICE_BENCH=OFF
	cmake --build $(BUILD_SAN) -j $(JOBS)
	cd $(BUILD_SAN) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp \
	  ctest --output-on-failure -j $(JOBS)

# Pictures of the window for each demo transmitter, the dialogs and a question
# box under a window manager (needs xvfb and openbox).
screenshots: build
	tools/screenshots.sh $(BUILD)

deps-fuzz:
	@$(MAKE) --no-print-directory deps DEB_PACKAGES="$(FUZZ_DEB_PACKAGES)"

# Every fuzz target for FUZZ_SECONDS under ASan/UBSan (clang, $(BUILD_FUZZ)),
# then the fault soak with SOAK_SIZE exchanges; the figures go to
# $(BUILD_FUZZ)/check-long-report.txt.
check-long: deps deps-fuzz
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTSERVICE_FUZZ=ON -DTSERVICE_BENCH=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target $(FUZZ_TARGETS)
	cmake -S . -B $(BUILD) $(CMAKE_ARGS) $(LAUNCHER)
	cmake --build $(BUILD) -j $(JOBS) --target reliability_tests
	@tools/check-long $(BUILD_FUZZ) $(BUILD) $(FUZZ_SECONDS) $(SOAK_SIZE)

# Benchmarks are built only here, so the test run stays short.
bench: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS) $(LAUNCHER) -DTSERVICE_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/bench_*; do if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || exit 1; fi; done

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ)
