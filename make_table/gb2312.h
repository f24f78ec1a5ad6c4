#pragma once

#include <cstddef>

#include "platform/text.h"

namespace sv::tables {

// The bundled table: every assigned GB2312 character followed by its
// four-digit row-and-cell number (区位码), one entry a line, in GBK as the
// program reads it.
struct RowCellTable {
  Bytes bytes;
  std::size_t characters = 0;
};

// Throws std::runtime_error when the C library has no GB2312 conversion.
RowCellTable MakeRowCellTable();

}  // namespace sv::tables
