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
    if (!IsAcceptedInput(input, services_.tableCodePage)) {
      MsgBox(kPromptNotChinese, platform::kMsgInformation, kTitleQuery);
      Text1.SetText(u"");
      Text1.SetFocus();
      return;
    }

    // The table is read afresh on every query, read-only: a missing table
    // is reported as such, and no file is ever created in its place.
    const Text path = services_.files.FullPath(kTableName);
    // The holder's old text is only of use to the query that read it;
    // dropping it first keeps one table in memory, not two.
    RichTextBox1.SetText(Text());
    std::optional<Text> table = LoadTable(path, services_.files, services_.tableCodePage);
    if (!table) {
      MsgBox(kPromptTableUnreadable + u"\r\n" + path, platform::kMsgCritical, kTitleError);
      Command2.SetFocus();
      return;
    }
    RichTextBox1.SetText(std::move(*table));

    SearchKey = Text1.GetText();
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
    // The 1-based match position used as a 0-based offset starts the
    // selection right after the one-character key.
    RichTextBox1.SetSelStart(FoundPos);
    RichTextBox1.SetSelLength(kCodeLength);
    Label1.SetCaption(RichTextBox1.SelText());
  }
  Command2.SetFocus();
}

}  // namespace sv::ui
