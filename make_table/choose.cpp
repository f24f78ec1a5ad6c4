#include "make_table/choose.h"

#include <unordered_map>

namespace sv::tables {

namespace {

bool IsPrintableAscii(char16_t c) { return c >= 0x20 && c <= 0x7E; }

}  // namespace

Choice ChooseCodes(const std::vector<Entry>& entries,
                   const std::function<bool(TextView)>& writable) {
  Choice choice;
  Counts& counts = choice.counts;
  std::unordered_map<Text, std::size_t> index;  // character -> position in choice.codes
  for (const Entry& entry : entries) {
    if (CodePoints(entry.text) != 1) {
      ++counts.phrases;
      continue;
    }
    bool printable = true;
    for (const char16_t c : entry.code) printable = printable && IsPrintableAscii(c);
    if (!printable) {
      ++counts.oddCodes;
      continue;
    }
    if (entry.code.size() > kCodeLength) {
      ++counts.longCodes;
      continue;
    }
    if (!writable(entry.text)) {
      ++counts.unwritable;
      continue;
    }
    const auto [at, added] = index.try_emplace(entry.text, choice.codes.size());
    if (added) {
      choice.codes.push_back({entry.text, entry.code});
    } else if (entry.code.size() > choice.codes[at->second].code.size()) {
      choice.codes[at->second].code = entry.code;
    }
  }
  counts.written = choice.codes.size();
  return choice;
}

}  // namespace sv::tables
