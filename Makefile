# The two commands of the README. Both install what is missing first.
BUILD_DIR ?= build

.PHONY: deps build run test bench screenshot clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja >/dev/null
	@cmake --build $(BUILD_DIR)

# Opens Tolvane on a demo server and folder (scripts/run-demo.sh).
run: build
	@bash scripts/run-demo.sh $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600

# Runs every benchmark and prints its figures.
bench: build
	@find $(BUILD_DIR)/bench -maxdepth 1 -type f -executable -name 'bench_*' | sort | \
		while read -r benchmark; do "$$benchmark" || exit 1; done

screenshot: build
	@QT_QPA_PLATFORM=offscreen $(BUILD_DIR)/tolvane_screenshot docs/window.png 2>/dev/null
	@echo "docs/window.png"

clean:
	rm -rf $(BUILD_DIR)
