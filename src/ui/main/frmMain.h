#pragma once

#include <cstdint>
#include <memory>

#include "lookup/text_holder.h"
#include "ui/form.h"
#include "ui/main/ids.h"

namespace sv::ui {

class frmAbout;

// The main window: one large box for a character, Query and Clear, the
// code in large type under the box, and a note.
class frmMain : public Form {
 public:
  explicit frmMain(platform::Services& services);
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  TextBox Text1{*this, main_ids::kText1};
  CommandButton Command1{*this, main_ids::kCommand1};
  CommandButton Command2{*this, main_ids::kCommand2};
  Label Label1{*this, main_ids::kLabel1};
  Label Label2{*this, main_ids::kLabel2};
  Label Label3{*this, main_ids::kLabel3};
  lookup::TextHolder RichTextBox1;
  Label Label4{*this, main_ids::kLabel4};

  // The key of the last query that passed the input check, and where the
  // last successful search found it (1-based; 0 before the first).
  Text SearchKey;
  std::int32_t FoundPos = 0;

  void Form_Load() override;
  void Text1_Change();
  void Command1_Click();
  void Command2_Click();
  void mnuFileExit_Click();
  void mnuHelpAbout_Click();

  void OnCommand(int id, platform::Notify how) override;

  static const platform::FormLayout& MainLayout();

 protected:
  const platform::FormLayout& Layout() const override { return MainLayout(); }

 private:
  void ShowCode(std::int16_t Start);

  std::unique_ptr<frmAbout> about_;
};

}  // namespace sv::ui
