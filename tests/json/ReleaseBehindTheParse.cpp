// Every engine test in this program runs with the scan buffers given back after every
// node, eight bytes at a time: under the address sanitizer, a read of a buffer behind
// the parse is reported wherever a test reaches one.
#include "platform/FrontRelease.h"

namespace {

const bool kFineRelease = (tess::FrontRelease::setGranule(8), true);

} // namespace
