#pragma once

// One code per character, out of every code a source gives it.

#include <cstddef>
#include <functional>
#include <vector>

#include "lookup/zdat.h"
#include "make_table/readers.h"
#include "platform/text.h"

namespace sv::tables {

// Whether a code may hold `c`: a key of the main block, unshifted.
bool IsKey(char16_t c);

// What became of the entries of a source: characters written, and entries
// skipped, by reason.
struct Counts {
  std::size_t written = 0;     // characters, each once
  std::size_t phrases = 0;     // entries of more than one character
  std::size_t unwritable = 0;  // characters the table cannot hold or the program not find
  std::size_t longCodes = 0;   // codes longer than lookup::kCodeLength
  std::size_t oddCodes = 0;    // codes holding anything but keys
};

struct Choice {
  std::vector<lookup::CharacterCode> codes;  // in the order characters first appear
  Counts counts;
};

// Each character gets its longest usable code; of two as long, the one
// listed first. Input methods list a character's short codes beside its
// full code, and the full one is the code a lookup is for. `writable`
// says whether a character can be put in the table.
Choice ChooseCodes(const std::vector<Entry>& entries,
                   const std::function<bool(TextView)>& writable);

}  // namespace sv::tables
