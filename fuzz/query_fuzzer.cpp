// The whole query with arbitrary input: a table file of any bytes and any
// typed text go through the input check, the read, the decoding, the search
// and the code shown, driven through the main window as a user drives it.
// Whatever comes in, the window ends in one of the states a query can
// leave, and the table file is never touched.
//
// Input layout:
//   byte 0      how the query runs (the k* bits below)
//   byte 1      n, the length of the typed text in UTF-16 units
//   2n bytes    the typed text, UTF-16LE
//   the rest    the bytes of z.dat
// Short inputs simply end early: every byte string is a case.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>

#include "fakes/harness.h"
#include "lookup/query.h"
#include "ui/main/frmMain.h"
#include "ui/main/messages.h"

// The checks are no part of what is fuzzed: no coverage feedback from them.
#define SV_NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace {

using namespace sv;
using namespace sv::ui::main_ids;
using platform::ReadStatus;

// 0-4: z.dat reads fine; 5, 6, 7: it cannot be read for one of the reasons
// a real file system gives.
constexpr std::uint8_t kStatusMask = 0x07;
// The read itself throws, as a failing allocation or adapter might.
constexpr std::uint8_t kThrowOnRead = 0x08;
// Text1 is set by code, so the key can be longer than one unit.
constexpr std::uint8_t kSetByCode = 0x10;
// The user presses Enter once more after the query.
constexpr std::uint8_t kEnterAgain = 0x20;

struct Case {
  std::uint8_t flags = 0;
  Text typed;
  Bytes file;
};

Case Parse(const std::uint8_t* data, std::size_t size) {
  Case c;
  if (size > 0) c.flags = data[0];
  const std::size_t units = size > 1 ? data[1] : 0;
  std::size_t at = 2;
  for (std::size_t i = 0; i < units && at + 1 < size; ++i, at += 2) {
    c.typed += static_cast<char16_t>(data[at] | data[at + 1] << 8);
  }
  if (at < size) c.file.assign(reinterpret_cast<const char*>(data + at), size - at);
  return c;
}

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "query invariant broken: %s\n", what);
  std::abort();
}

bool SameFiles(const std::map<Text, platform::FileContents>& a,
               const std::map<Text, platform::FileContents>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.first == y.first && x.second.status == y.second.status &&
           x.second.bytes == y.second.bytes;
  });
}

// The 0-based first occurrence, found another way than the program does.
SV_NO_COVERAGE std::size_t FirstOccurrence(const Text& text, const Text& key) {
  const auto at = std::search(text.begin(), text.end(), key.begin(), key.end());
  return at == text.end() ? Text::npos : static_cast<std::size_t>(at - text.begin());
}

// The file decoded one character at a time, from what the decoder makes
// of every single byte and every byte pair alone (each compared with the
// system's code page 936 by a Wine test): the holder must hold exactly
// these characters, with none lost, doubled or out of step.
SV_NO_COVERAGE Text DecodeByPieces(const platform::CodePage& codePage, BytesView file) {
  struct Pieces {
    std::array<char16_t, 256> single{};
    std::array<char16_t, 65536> first{};      // the first unit of a pair's decoding
    std::array<std::uint8_t, 65536> bytes{};  // the bytes that unit took
  };
  static const auto pieces = [&codePage] {
    auto p = std::make_unique<Pieces>();
    for (unsigned b = 0; b < 256; ++b) {
      p->single[b] = codePage.ToUnicode(Bytes(1, static_cast<char>(b))).front();
      for (unsigned t = 0; t < 256; ++t) {
        const Text two = codePage.ToUnicode(Bytes{static_cast<char>(b), static_cast<char>(t)});
        p->first[b << 8 | t] = two.front();
        p->bytes[b << 8 | t] = two.size() == 1 ? 2 : 1;
      }
    }
    return p;
  }();
  Text out;
  std::size_t at = 0;
  while (at < file.size()) {
    const auto b = static_cast<unsigned char>(file[at]);
    if (at + 1 == file.size()) {
      out += pieces->single[b];
      ++at;
    } else {
      const unsigned pair = b << 8 | static_cast<unsigned char>(file[at + 1]);
      out += pieces->first[pair];
      at += pieces->bytes[pair];
    }
  }
  return out;
}

// The holder has the whole table, read as the table says: after a byte
// order mark, UTF-8 or UTF-16 units; valid UTF-8 with a multi-byte
// sequence, the UTF-8 (or, tiny, its GBK reading); else every byte decoded
// as GBK, one unit a character, each character one or two bytes.
SV_NO_COVERAGE bool IsWholeTable(const platform::CodePage& codePage, const Text& decoded,
                                 const Bytes& file) {
  const BytesView bytes = file;
  if (bytes.starts_with("\xEF\xBB\xBF")) return decoded == FromUtf8(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    if (decoded.size() != (bytes.size() - 2) / 2) return false;
    for (std::size_t i = 0; i < decoded.size(); ++i) {
      const auto a = static_cast<unsigned char>(bytes[2 + 2 * i]);
      const auto b = static_cast<unsigned char>(bytes[3 + 2 * i]);
      if (decoded[i] != (bytes[0] == '\xFE' ? a << 8 | b : b << 8 | a)) return false;
    }
    return true;
  }
  const Utf8Decoding utf8 = DecodeUtf8(bytes);
  const bool gbk = decoded.size() <= file.size() && decoded.size() >= (file.size() + 1) / 2 &&
                   decoded == DecodeByPieces(codePage, file);
  if (utf8.Valid() && utf8.MultiByte()) {
    return decoded == utf8.text || (utf8.multiByteSequences < lookup::kFewestSurelyUtf8 && gbk);
  }
  return gbk;
}

// One case, played through the main window.
class Query {
 public:
  explicit Query(Case c)
      : c_(std::move(c)),
        readable_((c_.flags & kStatusMask) <= 4),
        throws_((c_.flags & kThrowOnRead) != 0) {
    const unsigned status = c_.flags & kStatusMask;
    if (readable_) {
      h_.files.Put(lookup::kTableName, c_.file);
    } else {
      h_.files.Fail(lookup::kTableName, status == 5   ? ReadStatus::NotFound
                                        : status == 6 ? ReadStatus::Unreadable
                                                      : ReadStatus::TooLarge);
    }
    h_.files.throwOnRead = throws_;
    filesBefore_ = h_.files.files;
    form_.Show();
    w_ = h_.desktop.Find(u"frmMain");
    Require(w_->Focus() == kText1, "the input box has the focus at start");
  }

  // Types (or sets) the text, then Enter on Query.
  void Run() {
    if (c_.flags & kSetByCode) {
      form_.Text1.SetText(c_.typed);
    } else {
      w_->Type(c_.typed);
    }
    // A change in the box sends the focus to Query; with nothing typed the
    // user tabs there.
    for (int i = 0; i < 3 && w_->Focus() != kCommand1; ++i) w_->PressTab();
    Require(w_->Focus() == kCommand1, "Query can take the focus");
    key_ = w_->GetText(kText1);
    if (!(c_.flags & kSetByCode)) {
      Require(CountCharacters(key_) <= 1, "the box holds one character when typed into");
    }
    Require(w_->PressEnter(), "Enter on Query is taken");
  }

  // The window is in one of the states a query can leave.
  void CheckOutcome() {
    const auto& messages = h_.desktop.messages;
    Require(messages.size() <= 1, "at most one message per query");
    if (key_.empty() || key_[0] < 0x80) {
      Require(messages.size() == 1 && messages[0].prompt == ui::kPromptNotChinese,
              "empty or single-byte input is rejected");
    }
    if (messages.size() == 1) {
      Require(form_.Label1.Caption().empty(), "a message leaves the label as it was");
      Require(form_.FoundPos == 0, "a message leaves FoundPos as it was");
      CheckMessage(messages[0]);
    } else if (throws_) {
      // A failure inside the query ends it without a word.
      Require(form_.Label1.Caption().empty() && form_.FoundPos == 0,
              "a failed query shows nothing");
      Require(w_->Focus() == kCommand1, "a failed query leaves the focus");
    } else {
      CheckCodeShown();
    }
    Require(SameFiles(h_.files.files, filesBefore_), "the table file is never changed");
  }

  // Enter once more: Clear when it has the focus, nothing in the box, the
  // same failure again on Query.
  void CheckEnterAgain() {
    if (!(c_.flags & kEnterAgain)) return;
    const int focus = w_->Focus();
    const Text label = form_.Label1.Caption();
    const Text holder = form_.RichTextBox1.GetText();
    const std::int32_t foundPos = form_.FoundPos;
    const std::size_t shown = h_.desktop.messages.size();
    const bool taken = w_->PressEnter();
    if (focus == kCommand2) {
      Require(taken, "Enter on Clear is taken");
      Require(w_->GetText(kText1).empty() && form_.Label1.Caption().empty(), "Clear empties both");
      Require(w_->Focus() == kText1, "Clear puts the focus in the box");
    } else if (focus == kText1) {
      Require(!taken, "Enter in the box does nothing");
      Require(form_.Label1.Caption() == label, "Enter in the box leaves the label");
    } else {
      Require(form_.Label1.Caption() == label, "a repeated failed query shows nothing");
    }
    Require(form_.RichTextBox1.GetText() == holder || focus == kCommand1,
            "only a query replaces the holder's text");
    Require(form_.FoundPos == foundPos, "only a query moves FoundPos");
    Require(h_.desktop.messages.size() == shown, "no message from a second Enter");
    Require(SameFiles(h_.files.files, filesBefore_), "the table file is never changed");
  }

 private:
  void CheckMessage(const fakes::ShownMessage& m) {
    if (m.prompt == ui::kPromptNotChinese) {
      Require(m.style == platform::kMsgInformation && m.title == ui::kTitleQuery,
              "the input message's icon and title");
      Require(w_->GetText(kText1).empty(), "rejected input is emptied");
      Require(w_->Focus() == kText1, "rejected input puts the focus in the box");
      Require(form_.SearchKey.empty(), "rejected input leaves SearchKey");
      // Only a character GBK lacks asks the table what it is.
      Require(h_.files.reads.empty() || lookup::MayBeInUnicodeTable(key_),
              "rejected input reads no file");
    } else if (m.prompt == ui::kPromptNotFound) {
      Require(m.style == platform::kMsgCritical && m.title == ui::kTitleError,
              "the not-found message's icon and title");
      Require(readable_ && !throws_, "not found only after a read");
      const Text& decoded = form_.RichTextBox1.GetText();
      Require(IsWholeTable(h_.codePage, decoded, c_.file), "the holder has the whole table");
      Require(FirstOccurrence(decoded, key_) == Text::npos, "not found means not in the table");
      Require(form_.SearchKey == key_, "SearchKey is the key");
      Require(w_->Focus() == kCommand2, "not found puts the focus on Clear");
    } else {
      Require(
          m.prompt == ui::kPromptTableUnreadable + u"\r\n" + h_.files.FullPath(lookup::kTableName),
          "the only other message is the unreadable table");
      Require(m.style == platform::kMsgCritical && m.title == ui::kTitleError,
              "the table message's icon and title");
      Require(!readable_ && !throws_, "an unreadable table is one that fails to read");
      Require(form_.RichTextBox1.GetText().empty(), "no table in the holder");
      Require(w_->Focus() == kCommand2, "an unreadable table puts the focus on Clear");
    }
  }

  void CheckCodeShown() {
    Require(readable_, "a code shown comes from a table read");
    const Text& decoded = form_.RichTextBox1.GetText();
    Require(IsWholeTable(h_.codePage, decoded, c_.file), "the holder has the whole table");
    Require(form_.FoundPos >= 1, "a code shown has a position");
    const auto pos = static_cast<std::size_t>(form_.FoundPos);
    Require(FirstOccurrence(decoded, key_) == pos - 1, "FoundPos is the first occurrence");
    const Text label = form_.Label1.Caption();
    Require(CountCharacters(label) <= 4, "a code is at most four characters");
    Require(decoded.compare(pos - 1 + key_.size(), label.size(), label) == 0,
            "the code is what follows the match");
    Require(form_.SearchKey == key_, "SearchKey is the key");
    Require(w_->Focus() == kCommand2, "a code shown puts the focus on Clear");
  }

  Case c_;
  bool readable_;
  bool throws_;
  fakes::Harness h_;
  std::map<Text, platform::FileContents> filesBefore_;
  ui::frmMain form_{h_.services};
  fakes::FakeWindow* w_ = nullptr;
  Text key_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Query query(Parse(data, size));
  query.Run();
  query.CheckOutcome();
  query.CheckEnterAgain();
  return 0;
}
