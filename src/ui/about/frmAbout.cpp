#include "ui/about/frmAbout.h"

#include <string>

#include "identity/identity.h"
#include "identity/resource.h"

namespace sv::ui {

using namespace about_ids;
using platform::ControlKind;
using platform::ControlSpec;

const platform::FormLayout& frmAbout::AboutLayout() {
  static const platform::FormLayout layout = [] {
    const platform::FontSpec small{.face = u"宋体", .pointTenths = 90};

    platform::FormLayout l;
    l.className = u"frmAbout";
    l.caption = u"关于 " + app::kTitle;
    l.border = platform::BorderStyle::FixedDialog;
    l.clientWidth = 4440;
    l.clientHeight = 2145;
    l.iconId = IDI_APP;
    l.centreOnOwner = true;

    const ControlSpec ok{.id = kCmdOK,
                         .kind = ControlKind::CommandButton,
                         .rect = {2880, 1560, 1350, 400},
                         .text = u"确定",
                         .isDefault = true,
                         .isCancel = true};
    const ControlSpec icon{.id = kPicIcon,
                           .kind = ControlKind::PictureBox,
                           .rect = {240, 240, 300, 300},
                           .imageId = IDB_ABOUT};
    const ControlSpec version{.id = kLblVersion,
                              .kind = ControlKind::Label,
                              .rect = {840, 600, 3495, 225},
                              .text = u"版本1.0"};
    const ControlSpec title{.id = kLblTitle,
                            .kind = ControlKind::Label,
                            .rect = {840, 240, 3495, 240},
                            .text = app::kTitle};
    const ControlSpec description{.id = kLblDescription,
                                  .kind = ControlKind::Label,
                                  .rect = {840, 960, 3495, 405},
                                  .text = u"用来查询GB2312中汉字对应的Selvane。"};
    // The contact lines size themselves to their text: short addresses,
    // so that neither reaches the OK button.
    const ControlSpec home{.id = kLabel1,
                           .kind = ControlKind::Label,
                           .rect = {240, 1560, 2430, 180},
                           .text = u"主页：selvane.example.org",
                           .font = small,
                           .autoSize = true};
    const ControlSpec mail{.id = kLabel2,
                           .kind = ControlKind::Label,
                           .rect = {240, 1800, 2160, 180},
                           .text = u"邮箱：help@example.org",
                           .font = small,
                           .autoSize = true};
    // Two lines, grey over white, draw an etched separator.
    const ControlSpec line1{.id = kLine1, .kind = ControlKind::Line, .rect = {200, 1380, 4000, 0}};
    const ControlSpec line2{.id = kLine2,
                            .kind = ControlKind::Line,
                            .rect = {200, 1400, 4000, 0},
                            .lineColour = platform::LineColour::White};

    l.controls = {ok, icon, version, title, description, home, mail, line1, line2};
    return l;
  }();
  return layout;
}

void frmAbout::OnCommand(int id, platform::Notify) {
  switch (id) {
    case kCmdOK:
      cmdOK_Click();
      break;
    default:
      break;
  }
}

static Text Decimal(int n) {
  const std::string s = std::to_string(n);
  return Text(s.begin(), s.end());
}

void frmAbout::Form_Load() {
  lblVersion.SetCaption(u"版本 " + Decimal(app::kMajor) + u"." + Decimal(app::kMinor) + u"." +
                        Decimal(app::kRevision));
  lblTitle.SetCaption(app::kTitle);
}

void frmAbout::cmdOK_Click() { Unload(); }

}  // namespace sv::ui
