#include "ui/main/frmMain.h"

#include "identity/identity.h"
#include "identity/resource.h"
#include "ui/about/frmAbout.h"

namespace sv::ui {

using namespace main_ids;
using platform::ControlKind;
using platform::ControlSpec;
using platform::FontSpec;

const platform::FormLayout& frmMain::MainLayout() {
  static const platform::FormLayout layout = [] {
    const FontSpec big{.face = u"宋体", .pointTenths = 720};
    const FontSpec code{.face = u"黑体", .pointTenths = 360};
    const FontSpec note{.face = u"宋体", .pointTenths = 105};

    platform::FormLayout l;
    l.className = u"frmMain";
    l.caption = app::kTitle;
    l.border = platform::BorderStyle::FixedSingle;
    l.clientWidth = 4485;
    l.clientHeight = 3090;
    l.iconId = IDI_APP;
    l.menu = {
        {0, u"文件(&F)", {{kMnuFileExit, u"退出(&X)", {}}}},
        {0, u"帮助(&H)", {{kMnuHelpAbout, u"关于(&A) ", {}}}},
    };

    const ControlSpec text1{.id = kText1,
                            .kind = ControlKind::TextBox,
                            .rect = {360, 360, 1575, 1575},
                            .font = big,
                            .maxLength = 1};
    const ControlSpec command1{.id = kCommand1,
                               .kind = ControlKind::CommandButton,
                               .rect = {2520, 480, 1575, 495},
                               .text = u"查  询 (&I)"};
    const ControlSpec command2{.id = kCommand2,
                               .kind = ControlKind::CommandButton,
                               .rect = {2520, 1200, 1575, 495},
                               .text = u"清  除 (&C)"};
    const ControlSpec label1{.id = kLabel1,
                             .kind = ControlKind::Label,
                             .rect = {330, 1920, 1635, 780},
                             .font = code,
                             .centred = true,
                             .border = true};
    // Label2 and Label3 stand where a second code ("或", or) would go; no
    // code shows them yet.
    const ControlSpec label2{.id = kLabel2,
                             .kind = ControlKind::Label,
                             .rect = {2520, 1920, 1635, 780},
                             .font = code,
                             .visible = false,
                             .centred = true,
                             .border = true};
    const ControlSpec label3{.id = kLabel3,
                             .kind = ControlKind::Label,
                             .rect = {2160, 2160, 180, 180},
                             .text = u"或",
                             .visible = false,
                             .autoSize = true};
    const ControlSpec label4{
        .id = kLabel4, .kind = ControlKind::Label, .rect = {2640, 2040, 1335, 735}, .font = note};

    // The dictionary holder is not a window: it takes tab index 6 in name
    // only, between Label3 and Label4.
    l.controls = {text1, command1, command2, label1, label2, label3, label4};
    return l;
  }();
  return layout;
}

frmMain::frmMain(platform::Services& services) : Form(services) {}
frmMain::~frmMain() = default;

void frmMain::OnCommand(int id, platform::Notify how) {
  switch (id) {
    case kText1:
      if (how == platform::Notify::Change) Text1_Change();
      break;
    case kCommand1:
      Command1_Click();
      break;
    case kCommand2:
      Command2_Click();
      break;
    case kMnuFileExit:
      mnuFileExit_Click();
      break;
    case kMnuHelpAbout:
      mnuHelpAbout_Click();
      break;
    default:
      break;
  }
}

void frmMain::Form_Load() { Label4.SetCaption(u"注意：当前版本对多音字仅给出一种编码"); }

// Every change, typed, committed by an input method or set by code, sends
// the focus to Query, so that Enter runs the query next.
void frmMain::Text1_Change() { Command1.SetFocus(); }

void frmMain::Command2_Click() {
  Text1.SetText(u"");
  Label1.SetCaption(u"");
  Text1.SetFocus();
}

void frmMain::mnuFileExit_Click() { Unload(); }

void frmMain::mnuHelpAbout_Click() {
  if (!about_) about_ = std::make_unique<frmAbout>(services_);
  about_->ShowModal(*this);
}

}  // namespace sv::ui
