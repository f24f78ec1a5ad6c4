// Writes what the native code page makes of every case of
// shared/codepage936_cases.h to the file named by its argument, for the
// Wine test that compares it with the system's code page 936.
#include <cstdio>
#include <fstream>

#include "platform/posix/codepage_gbk.h"
#include "shared/codepage936_cases.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: codepage936_dump FILE\n");
    return 2;
  }
  const sv::posix::GbkCodePage codePage;
  std::string results;
  for (const sv::Bytes& bytes : sv::cp936::DecodeCases()) {
    sv::cp936::AppendResult(results, codePage.ToUnicode(bytes));
  }
  for (const sv::Text& text : sv::cp936::EncodeCases()) {
    sv::cp936::AppendResult(results, codePage.FromUnicode(text));
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << results;
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%zu bytes of results in %s\n", results.size(), argv[1]);
  return 0;
}
