#pragma once

// Writing z.dat whole or not at all.

#include <stdexcept>
#include <string>

#include "platform/text.h"

namespace sv::tables {

class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool FileExists(const std::string& path);

// Writes `bytes` to a temporary file beside `path` and puts it in place
// only once it is complete, so that a failure leaves neither a partial file
// nor the temporary one. An existing `path` is replaced only when
// `replace` is set. Throws OutputError.
void WriteWhole(const std::string& path, BytesView bytes, bool replace);

}  // namespace sv::tables
