# Quilo: the two everyday commands are `make run` and `make test`.
# Both install what is missing first (Debian packages), then configure and build: `make run`
# and `make package` what building needs, `make test` and the checks the test tools too.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
# CI (CI=true) builds with warnings as errors; the other builds only warn.
WERROR     := -DQUILO_WERROR=$(if $(filter true,$(CI)),ON,OFF)

.PHONY: all deps test-deps configure build test run live sanitize-test demo report screenshot html-screenshot guide-screenshots package check-package bench bench-serve fuzz coverage clean

all: build

deps:
	@bash scripts/install-deps.sh

# After deps, so the two never wait on each other's apt lock.
test-deps: deps
	@QUILO_TEST_DEPS=1 bash scripts/install-deps.sh

# Without the tests, so `make run` needs no GoogleTest; `make test` turns them on.
$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILO_BUILD_TESTS=OFF $(WERROR)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: test-deps
	@grep -qs '^QUILO_BUILD_TESTS:BOOL=ON$$' $(BUILD)/CMakeCache.txt && \
	  grep -qs '^QUILO_WERROR:BOOL=$(if $(filter true,$(CI)),ON,OFF)$$' $(BUILD)/CMakeCache.txt || \
	  cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILO_BUILD_TESTS=ON $(WERROR)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure --no-tests=error -j $(JOBS)

# The Debian package: $(BUILD)/quilo_<version>_amd64.deb.
package: build
	cmake --build $(BUILD) --target package

# The package checked as installed: lintian (no hardening tag), the stack protector, the
# unpacked programs, desktop entry, metainfo, manual pages.
check-package: test-deps build
	BUILD=$(BUILD) bash scripts/check-package.sh

# Every test again, widget tests included, under AddressSanitizer (with leak checks) and
# UndefinedBehaviorSanitizer. The suppressions cover leaks inside system libraries only.
sanitize-test: test-deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQUILO_SANITIZE=ON -DQUILO_BUILD_GUI=ON $(WERROR)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Every test, widget tests included, on a gcov build; then line and branch figures for src/
# (the app's two main() files left out) and an HTML report in $(COV_BUILD)/coverage/.
# Fails below COV_MIN_LINES / COV_MIN_BRANCHES (0 = only print the figures).
COV_BUILD        ?= build-cov
COV_MIN_LINES    ?= 0
COV_MIN_BRANCHES ?= 0
coverage: test-deps
	cmake -S . -B $(COV_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQUILO_COVERAGE=ON -DQUILO_BUILD_GUI=ON $(WERROR)
	cmake --build $(COV_BUILD) -j $(JOBS)
	find $(COV_BUILD) -name '*.gcda' -delete
	cd $(COV_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	rm -rf $(COV_BUILD)/coverage && mkdir -p $(COV_BUILD)/coverage
	gcovr --root . $(COV_BUILD) \
	  --filter 'src/' --exclude 'src/app/' --exclude '.*_autogen/' \
	  --exclude-unreachable-branches --exclude-throw-branches \
	  --html-details $(COV_BUILD)/coverage/index.html \
	  --json-summary $(COV_BUILD)/coverage/summary.json \
	  --txt $(COV_BUILD)/coverage/coverage.txt
	bash scripts/check-coverage.sh $(COV_BUILD)/coverage/summary.json $(COV_MIN_LINES) $(COV_MIN_BRANCHES)

# libFuzzer targets (clang build in build-fuzz), each run FUZZ_SECONDS from its seeds.
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 30
fuzz:
	QUILO_FUZZ_DEPS=1 bash scripts/install-deps.sh
	cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DQUILO_BUILD_GUI=OFF -DQUILO_BUILD_TESTS=OFF -DQUILO_FUZZ=ON $(WERROR)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# A longer campaign: FUZZ_RUNS executions per target, one target after another, each
# ending with libFuzzer's final counts and coverage.
FUZZ_RUNS ?= 1000000
.PHONY: fuzz-long
fuzz-long:
	$(MAKE) fuzz FUZZ_SECONDS=0 FUZZ_RUNS=$(FUZZ_RUNS)

# Opens Quilo on a scratch copy of the demo event, so the committed demo stays clean.
run: build
	rm -rf $(BUILD)/demo-event && cp -r examples/demo-event $(BUILD)/demo-event
	$(BUILD)/quilo $(BUILD)/demo-event

# Plays a finish into the folder `make run` opens, as a card reader writes its log (run
# it in a second terminal while the window is open). PACE sets the seconds between reads.
PACE ?= 4
live:
	@[ -d $(BUILD)/demo-event ] || cp -r examples/demo-event $(BUILD)/demo-event
	python3 scripts/live-finish.py $(BUILD)/demo-event --pace $(PACE)

# Rebuilds the demo event files from their generator.
demo:
	python3 examples/make_demo_event.py examples/demo-event

# Prints the demo event's lists headless (on a scratch copy).
report: build
	rm -rf $(BUILD)/demo-event && cp -r examples/demo-event $(BUILD)/demo-event
	$(BUILD)/quilo-report --now 12:00:00 --order result $(BUILD)/demo-event

# Benchmarks on the capacity event and on the large event (Release build in build-bench),
# each with the floor check and its marks (met or MISSED), then all the marks in one list.
# The machine may be shared: each benchmark is repeated and reported by its median; the
# large event's, which take longer, fewer times.
BENCH_BUILD      ?= build-bench
BENCH_ARGS       ?= --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
BENCH_LARGE_ARGS ?= --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
bench: test-deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQUILO_BUILD_BENCH=ON -DQUILO_BUILD_TESTS=OFF -DQUILO_BUILD_GUI=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	BENCH_ARGS="$(BENCH_ARGS)" BENCH_LARGE_ARGS="$(BENCH_LARGE_ARGS)" bash bench/run.sh $(BENCH_BUILD)

# The results server under load on the capacity event (bench/serve_bench.py): quilo-serve
# with 1,000 events clients and wrk on a class page, then the window's refresh with its
# server alone and under the same load; each mark met or MISSED. Not in .ci/run.
bench-serve: test-deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQUILO_BUILD_BENCH=ON -DQUILO_BUILD_TESTS=OFF -DQUILO_BUILD_GUI=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target quilo-serve quilo_serve_window_bench
	python3 bench/serve_bench.py $(BENCH_BUILD)

# A long day at a live station: 20,000 reads with corrections between them (LONG_RUN_READS);
# fails when the cost per log line, the memory or the open handles grew. Not in .ci/run.
LONG_RUN_READS ?= 20000
.PHONY: long-run
long-run: test-deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQUILO_BUILD_BENCH=ON -DQUILO_BUILD_TESTS=OFF -DQUILO_BUILD_GUI=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target quilo_long_run_bench
	$(BENCH_BUILD)/bench/quilo_long_run_bench --reads=$(LONG_RUN_READS)

# The live station while it publishes: 2,000 reads (LONG_RUN_PUBLISH_READS) without and with
# the uploader sending to loopback receivers that fail 30 % of the time; prints the marks
# met or MISSED and fails on a miss. About 8 minutes. Not in .ci/run.
LONG_RUN_PUBLISH_READS ?= 2000
.PHONY: long-run-publish
long-run-publish: test-deps
	cmake -S . -B $(BENCH_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DQUILO_BUILD_BENCH=ON -DQUILO_BUILD_TESTS=OFF -DQUILO_BUILD_GUI=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target quilo_publish_bench
	QT_QPA_PLATFORM=offscreen $(BENCH_BUILD)/bench/quilo_publish_bench --reads=$(LONG_RUN_PUBLISH_READS)

screenshot: test-deps build
	bash scripts/screenshot.sh

# The HTML results page at phone and desktop width (headless Chromium).
html-screenshot: test-deps build
	bash scripts/html-screenshot.sh

# The user guide's pictures in docs/guide/ (the real window under Xvfb).
guide-screenshots: test-deps build
	bash scripts/guide-screenshots.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
