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
# python3-markdown renders the operator's manual (doc/manual).
DEB_PACKAGES = cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev \
               qt6-charts-dev qt6-translations-l10n libgtest-dev libgmock-dev \
               libbenchmark-dev python3 python3-markdown xvfb xauth openbox poppler-utils dpkg-dev file ccache \
               locales
# Only for check-long: clang with libFuzzer and its sanitizer runtimes.
FUZZ_DEB_PACKAGES = clang libclang-rt-14-dev
FUZZ_TARGETS = fuzz_exchange fuzz_table fuzz_entry fuzz_load fuzz_journal fuzz_decode fuzz_compare fuzz_check
FUZZ_SECONDS ?= 60
FUZZ_JOBS    ?= 1
SOAK_SIZE    ?= 100000

.PHONY: deps deps-fuzz build run test check check-san check-package check-long bench screenshots \
        package install clean windows-deps windows check-windows check-windows-probe

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
# box under a window manager (needs xvfb and openbox), into the manual's
# img/ folder; the manual is then rendered again with them.
screenshots: build
	tools/screenshots.sh $(BUILD) $(BUILD)/doc/manual/img
	cmake --build $(BUILD) --target manual

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
	@FUZZ_TARGETS="$(FUZZ_TARGETS)" FUZZ_JOBS=$(FUZZ_JOBS) tools/check-long $(BUILD_FUZZ) $(BUILD) $(FUZZ_SECONDS) $(SOAK_SIZE)

# Benchmarks are built only here, so the test run stays short.
bench: deps
	cmake -S . -B $(BUILD) $(CMAKE_ARGS) $(LAUNCHER) -DTSERVICE_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/bench_*; do if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || exit 1; fi; done

# Windows (64-bit), cross-built with mingw-w64 and checked under wine; none of
# it is part of deps or test. windows-deps installs mingw-w64, wine, nsis and
# the host Qt tools, and cross-builds Qt into a cache outside the checkout
# (niced; about an hour on two busy cores, seconds once cached);
# WINDOWS_DEPS_BG=1 starts it in the background instead.
BUILD_WIN ?= build-win
QT_WIN    ?= $(shell tools/windows-deps --prefix)
# -O2 as on Linux: at -O3 mingw's GCC 12 warns falsely (-Wrestrict,
# -Wstringop-overflow) inside libstdc++'s string code all over the program.
WIN_CMAKE_ARGS = -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_PREFIX_PATH=$(QT_WIN) -DCMAKE_FIND_ROOT_PATH=$(QT_WIN) -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR=$(CURDIR)/tools/wine-run -DTSERVICE_BENCH=OFF

windows-deps:
	tools/windows-deps $(if $(WINDOWS_DEPS_BG),--background)

# build-win/tservice-VERSION-win64/ with its zip and NSIS installer.
windows:
	@tools/windows-deps --stamp-ok || { echo "no cross-built Qt in $(QT_WIN): run make windows-deps"; exit 1; }
	cmake -S . -B $(BUILD_WIN) $(WIN_CMAKE_ARGS) $(WERROR) $(LAUNCHER)
	cmake --build $(BUILD_WIN) -j $(JOBS)
	tools/windows-package $(BUILD_WIN) $(QT_WIN)

# Under wine: the unit tests, tservicectl.exe against the Linux simulator over
# tcp:// and over a wine COM port, the range codes against the Linux build,
# the installer, and the window on its TCP demo line (a screenshot is kept).
check-windows: windows build
	tools/check-windows $(BUILD_WIN) $(BUILD)

# The Win32 port and the Winsock line server under wine without Qt (minutes;
# mingw-w64 and wine from windows-deps' package list only).
check-windows-probe: build
	tools/windows-deps --packages
	tools/check-windows-probe $(BUILD) $(BUILD_WIN)-probe

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ) $(BUILD_WIN) $(BUILD_WIN)-probe
