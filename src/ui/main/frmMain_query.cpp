// The Query command of the main window: the input check, the table load,
// the search and the code shown.
#include <exception>

#include "lookup/query.h"
#include "ui/main/frmMain.h"
#include "ui/main/messages.h"

namespace sv::ui {

using namespace lookup;

void frmMain::Command1_Click() {
  // A failure inside a query ends it without a word, as a query always
  // has; only the messages below ever reach the user.
  try {
    const Text input = Text1.GetText();
    const auto refuse = [this] {
      MsgBox(kPromptNotChinese, platform::kMsgInformation, kTitleQuery);
      Text1.SetText(u"");
      Text1.SetFocus();
    };
    // A GBK table can hold only GBK's double-byte characters, and a table
    // is GBK unless it says or shows otherwise; only a character GBK lacks
    // has to wait for the table to tell.
    const bool gbkCharacter = IsAcceptedInput(input, services_.tableCodePage);
    if (!gbkCharacter && !MayBeInUnicodeTable(input)) return refuse();

    // The table is read afresh on every query, read-only: a missing table
    // is reported as such, and no file is ever created in its place.
    const Text path = services_.files.FullPath(kTableName);
    // The holder's old text is only of use to the query that read it;
    // dropping it first keeps one table in memory, not two.
    RichTextBox1.SetText(Text());
    std::optional<Table> table = LoadTable(path, services_.files, services_.tableCodePage);
    if (!gbkCharacter && (!table || table->encoding == TableEncoding::Gbk)) return refuse();
    if (!table) {
      MsgBox(kPromptTableUnreadable + u"\r\n" + path, platform::kMsgCritical, kTitleError);
      Command2.SetFocus();
      return;
    }
    RichTextBox1.SetText(std::move(table->text));

    SearchKey = Text1.GetText();
    // A tiny table that may be GBK as well as UTF-8 holds the key in one of
    // the two, UTF-8 first.
    if (table->asGbk && InStr(1, RichTextBox1.GetText(), SearchKey) == 0 &&
        InStr(1, *table->asGbk, SearchKey) != 0) {
      RichTextBox1.SetText(std::move(*table->asGbk));
    }
    ShowCode(1);
  } catch (...) {
  }
}

void frmMain::ShowCode(std::int16_t Start) {
  const Text key = SearchKey;
  const std::int64_t found = InStr(Start, RichTextBox1.GetText(), key);
  if (found < 1 || found > INT32_MAX) {
    MsgBox(kPromptNotFound, platform::kMsgCritical, kTitleError);
  } else {
    FoundPos = static_cast<std::int32_t>(found);
    // The code is the characters right after the key: the 1-based match
    // position used as a 0-based offset starts there for a key of one
    // unit, and a character beyond the first 65,536 is two.
    RichTextBox1.SetSelStart(FoundPos - 1 + static_cast<std::int64_t>(key.size()));
    const TextView after = TextView(RichTextBox1.GetText()).substr(RichTextBox1.SelStart());
    RichTextBox1.SetSelLength(static_cast<std::int64_t>(UnitsOfCharacters(after, kCodeLength)));
    Label1.SetCaption(RichTextBox1.SelText());
  }
  Command2.SetFocus();
}

}  // namespace sv::ui
