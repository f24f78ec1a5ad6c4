#include "make_table/gb2312.h"

#include <iconv.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace sv::tables {

// Row r, cell c of GB2312 is the byte pair 0xA0+r, 0xA0+c; a pair is
// assigned when iconv decodes it as GB2312.
RowCellTable MakeRowCellTable() {
  iconv_t opened = iconv_open("UTF-16LE", "GB2312");
  if (opened == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error("the C library has no GB2312 conversion");
  }
  const std::unique_ptr<void, int (*)(iconv_t)> owner(opened, iconv_close);
  iconv_t decode = owner.get();
  RowCellTable table;
  for (int row = 1; row <= 94; ++row) {
    for (int cell = 1; cell <= 94; ++cell) {
      char pair[2] = {static_cast<char>(0xA0 + row), static_cast<char>(0xA0 + cell)};
      char out[8];
      char* in = pair;
      size_t inLeft = sizeof pair;
      char* dst = out;
      size_t outLeft = sizeof out;
      iconv(decode, nullptr, nullptr, nullptr, nullptr);
      if (iconv(decode, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
        continue;  // not assigned
      }
      char code[8];
      std::snprintf(code, sizeof code, "%02d%02d\r\n", row, cell);
      table.bytes.append(pair, 2);
      table.bytes += code;
      ++table.characters;
    }
  }
  return table;
}

}  // namespace sv::tables
