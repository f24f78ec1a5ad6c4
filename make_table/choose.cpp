#include "make_table/choose.h"

#include <algorithm>
#include <unordered_map>

namespace sv::tables {

// What a code is typed with: letters, digits and the punctuation keys of
// the main block as they come without Shift (Array's ,./; among them).
// Anything else marks a code rather than being part of it: Rime's Array
// table ends its short codes in ! or @, which its schema strips before it
// matches keys, and lists each character's full code as well.
bool IsKey(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         TextView(u"`-=[]\\;',./").find(c) != TextView::npos;
}

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
    if (!std::all_of(entry.code.begin(), entry.code.end(), IsKey)) {
      ++counts.oddCodes;
      continue;
    }
    if (entry.code.size() > lookup::kCodeLength) {
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
