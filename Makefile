# Quilo: the two everyday commands are `make run` and `make test`.
# Both install what is missing first (Debian packages), then configure and build.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps configure build test run sanitize-test demo report screenshot bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The engine tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize-test: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DQUILO_SANITIZE=ON -DQUILO_BUILD_GUI=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# Opens Quilo on a scratch copy of the demo event, so the committed demo stays clean.
run: build
	rm -rf $(BUILD)/demo-event && cp -r examples/demo-event $(BUILD)/demo-event
	$(BUILD)/quilo $(BUILD)/demo-event

# Rebuilds the demo event files from their generator.
demo:
	python3 examples/make_demo_event.py examples/demo-event

# Prints the demo event's lists headless (on a scratch copy).
report: build
	rm -rf $(BUILD)/demo-event && cp -r examples/demo-event $(BUILD)/demo-event
	$(BUILD)/quilo-report --now 12:00:00 --order result $(BUILD)/demo-event

screenshot: build
	bash scripts/screenshot.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
