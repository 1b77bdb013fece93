# The two commands of the README. Both install what is missing first.
BUILD_DIR ?= build

.PHONY: deps build run test clean

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja >/dev/null
	@cmake --build $(BUILD_DIR)

run: build
	@$(BUILD_DIR)/tolvane

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600

clean:
	rm -rf $(BUILD_DIR)
