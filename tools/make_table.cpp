// Writes the bundled code table: every assigned GB2312 character followed
// by its four-digit row-and-cell number (区位码), one entry a line, in GBK
// as the program reads it. Row r, cell c of GB2312 is the byte pair
// 0xA0+r, 0xA0+c; a pair is assigned when iconv decodes it as GB2312.
//
//   make_table data/z.dat
#include <iconv.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  iconv_t decode = iconv_open("UTF-16LE", "GB2312");
  if (decode == reinterpret_cast<iconv_t>(-1)) {
    std::perror("iconv_open GB2312");
    return 1;
  }
  std::string table;
  int entries = 0;
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
      table.append(pair, 2);
      table += code;
      ++entries;
    }
  }
  iconv_close(decode);

  std::FILE* file = std::fopen(argv[1], "wb");
  if (!file || std::fwrite(table.data(), 1, table.size(), file) != table.size() ||
      std::fclose(file) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(stderr, "%d entries, %zu bytes\n", entries, table.size());
  return 0;
}
