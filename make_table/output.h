#pragma once

// Writing z.dat whole or not at all.

#include "make_table/system.h"
#include "platform/text.h"

namespace sv::tables {

// What the user is told when `path` is there and may not be replaced.
Text ExistsMessage(const Text& path);

// Writes `bytes` to a new file beside `path` and puts it in place only
// once it is complete, so that a failure leaves neither a partial file nor
// the new one. An existing `path` is replaced only when `replace` is set.
// Throws Failure.
void WriteWhole(OutputFiles& files, const Text& path, BytesView bytes, bool replace);

}  // namespace sv::tables
