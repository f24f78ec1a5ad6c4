#pragma once

#include <cstdint>

#include "ui/about/ids.h"
#include "ui/form.h"

namespace sv::ui {

// The About window: title, version, what the program is for, where to
// find its makers. Modal, owned by the main window.
class frmAbout : public Form {
 public:
  explicit frmAbout(platform::Services& services) : Form(services) {}

  CommandButton cmdOK{*this, about_ids::kCmdOK};
  Label lblVersion{*this, about_ids::kLblVersion};
  Label lblTitle{*this, about_ids::kLblTitle};
  Label lblDescription{*this, about_ids::kLblDescription};
  Label Label1{*this, about_ids::kLabel1};
  Label Label2{*this, about_ids::kLabel2};

  void Form_Load() override;
  void cmdOK_Click();

  void OnCommand(int id, platform::Notify how) override;

  // Starts the system information tool found through the registry, or
  // tells the user in a message box that it is not available; nothing
  // leaves it by exception. No control calls it. The message box belongs
  // to this window while it is loaded, and to no window otherwise.
  void StartSysInfo();
  // Reads one registry value as text into KeyVal: a string as it is, a
  // DWORD as "&h" and hex digits; a value of another type leaves KeyVal as
  // it was. True when the value was read; false, with KeyVal empty, when
  // the key or the value is missing or does not fit 1024 bytes.
  bool GetKeyValue(const std::int32_t& KeyRoot, const Text& KeyName, const Text& SubKeyRef,
                   Text& KeyVal);

  static const platform::FormLayout& AboutLayout();

 protected:
  const platform::FormLayout& Layout() const override { return AboutLayout(); }
};

}  // namespace sv::ui
