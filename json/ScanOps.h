#pragma once
// Internal to the engine: the scanner's cutting steps over a ScanView, returning
// positions (1-based, -1 when the step fails) instead of texts.
#include "json/ScanBuffer.h"

#include <cstdint>
#include <string_view>

namespace tess::scan {

// Reads the key that follows position a; returns the colon's position (or -1) and sets
// rawKey to the untrimmed text between the key's start and the colon.
int64_t readKey(const ScanView& v, int64_t a, std::string_view& rawKey);

// Finds the terminator of the value that starts after the colon at a, or -1.
int64_t readValue(const ScanView& v, int64_t a);

// From the start of an element (the '[' or the previous terminator), finds the
// position that ends it, or -1.
int64_t elementEnd(const ScanView& v, int64_t start);

} // namespace tess::scan
