# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# Entry points named in the README and CONTRIBUTING.md. Each one installs what it needs first.
BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
JOBS ?= $(shell nproc)
CTEST = ctest --output-on-failure -j $(JOBS) --timeout 900

# Sanitizer runs stop at the first report. Leaks are checked everywhere; the
# suppressions name only Qt's own platform-plugin allocations and the objects
# the program keeps for its whole life by design.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

.PHONY: all bootstrap configure build build-asan test test-asan test-fast test-desktops demo install deb test-deb clean

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

build-asan: bootstrap
	@cmake -S . -B $(ASAN_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DPTZDECK_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)

# Every test twice (the real-driver rig once): under AddressSanitizer + UBSan first, then the normal
# build, whose CTest summary is the last thing printed.
test: test-asan test-fast

test-asan: build-asan
	@cd $(ASAN_BUILD_DIR) && $(SANITIZER_ENV) $(CTEST) -LE 'rig|desktops'

test-fast: build
	@cd $(BUILD_DIR) && $(CTEST) -LE desktops

# The panel on real desktops, which scripts/install-desktops installs first
# (some 185 MB of packages to download on a fresh machine, about 5 minutes
# to install; the scenarios then take 2 to 3 minutes).
test-desktops: build
	@scripts/install-desktops
	@cd $(BUILD_DIR) && $(CTEST) -L desktops

demo: build
	@scripts/demo

# Installs the programs, the library for other programs, the menu entry,
# icons, manual pages and the udev rule for real cameras (under /usr/local;
# root needed; DESTDIR=... stages it elsewhere), then has the loader see the
# new library and a running udev apply the rule to cameras already plugged
# in. install_manifest.txt in the build lists every file installed.
install: build
	@cmake --install $(BUILD_DIR)
	@if [ -z "$(DESTDIR)" ] && [ "$$(id -u)" -eq 0 ]; then ldconfig; fi
	@if [ -z "$(DESTDIR)" ] && [ -S /run/udev/control ] && command -v udevadm >/dev/null; then \
		udevadm control --reload && udevadm trigger --subsystem-match=usb --action=change; fi

# Debian packages built with debhelper: build-deb/ptzdeck_<version>_<arch>.deb,
# liblumetra<SOVERSION> and liblumetra-dev (scripts/deb).
DEB_DIR ?= build-deb
deb:
	@scripts/deb $(DEB_DIR)

# The packages as a user meets them: lintian, apt-get install, /usr/bin/ptzdeck
# on a simulated bus under Xvfb, purge, nothing left (tests/install/test_deb.py).
# Installing needs root or sudo; CI runs it once, before make test.
test-deb: deb
	@set -a && . $(abspath $(DEB_DIR))/packages.env && cd tests/install && \
		PTZDECK_SOURCE_DIR=$(CURDIR) PTZDECK_BUILD_DIR=$(abspath $(DEB_DIR)) PTZDECK_DEB_DIR=$(abspath $(DEB_DIR)) \
		PTZDECK_E2E_EVIDENCE=$(abspath $(DEB_DIR))/e2e-failures PYTHONDONTWRITEBYTECODE=1 \
		python3 -m unittest -v test_deb

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(DEB_DIR)

# Performance against the peers, measured on this machine in one run
# (bench/run --help for its options; BENCH_ARGS passes them).
.PHONY: bench
# The build's progress goes to stderr: stdout is the report alone.
bench:
	@$(MAKE) --no-print-directory build >&2
	@bench/run --no-build --build-dir $(BUILD_DIR) $(BENCH_ARGS)
	@bench/bridge_bench.py --build-dir $(BUILD_DIR)
