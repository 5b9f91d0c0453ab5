# The two commands of the README: `make run` and `make test`. Everything else is a helper.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
RUN_DIR := $(BUILD_DIR)/run
JOBS ?= $(shell nproc)

.PHONY: all deps build run teacher test asan asan-build format format-check clean fuzz bench

all: build

deps:
	@sh scripts/install-deps.sh

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Starts a program of the build in a copy of the shipped start directory, so a run never changes
# the repository; without a display it says how to use a virtual one.
define start_in_run_dir
	@mkdir -p $(RUN_DIR)
	@cp -rn data/. $(RUN_DIR)/
	@if [ -z "$${DISPLAY:-}" ] && [ -z "$${WAYLAND_DISPLAY:-}" ]; then \
		echo "No display found: Ортус 2000 is a desktop program and needs one."; \
		echo "To run it without a display, use a virtual one:"; \
		echo "    cd $(RUN_DIR) && xvfb-run -s '-screen 0 1280x1024x24' $(abspath $(BUILD_DIR))/$(1)"; \
		echo "(xvfb-run is installed with the other dependencies)."; \
		exit 1; \
	fi
	cd $(RUN_DIR) && $(abspath $(BUILD_DIR))/$(1)
endef

run: build
	$(call start_in_run_dir,ortus)

# The teacher's window, in the same copy of the start directory as `make run`.
teacher: build
	$(call start_in_run_dir,ortus-teacher)

test: build format-check
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) asan

$(ASAN_DIR)/CMakeCache.txt:
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DORTUS_SANITIZE=ON

asan-build: deps $(ASAN_DIR)/CMakeCache.txt
	cmake --build $(ASAN_DIR) -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan: asan-build
	cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check: deps
	@clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h') && echo "clang-format: clean"

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)

FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

# Runs every libFuzzer target for FUZZ_SECONDS each; stops at the first crash with its reproducer.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORTUS_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	sh scripts/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

BENCH_DIR ?= build-bench

# The performance figures against their goals, side by side with a plain Qt Widgets program,
# ending in one Markdown table (start-up, memory, answer label paint, idle, bank load); not part
# of `make test`. Every program runs on Qt's offscreen platform.
bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DORTUS_BENCH=ON -DBUILD_TESTING=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS) --target bench_report
	$(BENCH_DIR)/bench/bench_report

.PHONY: package screenshots soak

# The Debian packages ortus (the quiz) and ortus-teacher, built by dpkg-buildpackage from a clean
# copy of the tree into $(BUILD_DIR)/package/; install them with
# `sudo apt install ./$(BUILD_DIR)/package/ortus_*.deb ./$(BUILD_DIR)/package/ortus-teacher_*.deb`.
package: deps
	sh packaging/build-packages $(BUILD_DIR)/package

# The README's pictures in docs/screenshots/, taken from the program as it is built now.
screenshots: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS) --target ortus-screenshots ortus-gallery
	sh scripts/take-screenshots.sh $(BUILD_DIR) docs/screenshots

# A thousand pupils in turn through one window: prints memory and open files; not part of `make test`.
soak: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j $(JOBS) --target tst_mainwindow
	ORTUS_SOAK_TESTS=1000 QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tests/tst_mainwindow pupilsInTurn
