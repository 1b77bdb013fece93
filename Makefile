# The two commands of the README. Both install what is missing first.
BUILD_DIR ?= build
# The fuzzers' own build, made with clang and the sanitizers (fuzz/).
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
# The short pass of every fuzzer within make test, so that CI catches a
# regression.
FUZZ_CHECK_SECONDS ?= 5

.PHONY: deps build run test package bench screenshot clean fuzz fuzz-build

# Also unpacks the FTP servers of the tests into the build folder.
deps:
	@bash scripts/install-deps.sh $(BUILD_DIR)

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja >/dev/null
	@cmake --build $(BUILD_DIR)

# Opens Tolvane on a demo server and folder (scripts/run-demo.sh).
run: build
	@bash scripts/run-demo.sh $(BUILD_DIR)

test: build fuzz-build
	@bash fuzz/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_CHECK_SECONDS)
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 -j4

# tolvane_VERSION_ARCH.deb in the build folder (README, "Installing").
package: build
	@cd $(BUILD_DIR) && cpack

# Runs every benchmark and prints its figures.
bench: build
	@find $(BUILD_DIR)/bench -maxdepth 1 -type f -executable -name 'bench_*' | sort | \
		while read -r benchmark; do "$$benchmark" || exit 1; done

# The objects are cached by their paths relative to the checkout, so a fresh
# clone elsewhere (CI) reuses what an earlier fuzz build compiled.
fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DTOLVANE_FUZZ=ON >/dev/null
	@CCACHE_BASEDIR=$(CURDIR) CCACHE_NOHASHDIR=true cmake --build $(FUZZ_DIR) --target fuzzers

# Runs each fuzzer for FUZZ_SECONDS, one after another.
fuzz: fuzz-build
	@bash fuzz/run-fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

screenshot: build
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tolvane_screenshot docs/window.png 2>/dev/null
	@echo "docs/window.png"

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_DIR)
