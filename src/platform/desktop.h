#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/text.h"

namespace sv::platform {

// Positions and sizes as the layouts give them: twips relative to the
// client area. For a line, left/top is one end and width/height the offset
// to the other end.
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

enum class ControlKind { TextBox, CommandButton, Label, PictureBox, Line };

enum class LineColour { Shadow, White };

// GB2312_CHARSET: the fonts are asked for with the Chinese character set so
// that the font mapper picks a face that has the glyphs.
constexpr int kGb2312Charset = 134;

struct FontSpec {
  Text face{};          // empty: the window's own (the platform's default) font
  int pointTenths = 0;  // 10.5 pt is 105
  int charset = kGb2312Charset;
};

struct ControlSpec {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  TwipsRect rect{};
  Text text{};
  FontSpec font{};
  bool visible = true;
  bool centred = false;    // labels: centred text
  bool border = false;     // labels: a single-line border
  bool autoSize = false;   // labels: size to the text
  int maxLength = 0;       // text boxes: characters (see KeptByTextBox); 0 is no limit
  bool isDefault = false;  // buttons: Enter presses it wherever the focus is
  bool isCancel = false;   // buttons: Esc presses it
  int imageId = 0;         // picture boxes: bitmap resource
  LineColour lineColour = LineColour::Shadow;
};

// What a text box keeps of a text typed, pasted or committed into it: its
// first maxLength characters, a surrogate pair being one. A system's own
// limit counts UTF-16 units, which would keep half of such a pair.
inline TextView KeptByTextBox(const ControlSpec& box, TextView text) {
  if (box.maxLength <= 0) return text;
  return text.substr(0, UnitsOfCharacters(text, static_cast<std::size_t>(box.maxLength)));
}

struct MenuSpec {
  int id = 0;  // 0 for a menu that only opens a submenu
  Text caption{};
  std::vector<MenuSpec> items{};
};

enum class BorderStyle {
  FixedSingle,  // a main window: caption, system menu, minimise box, no resizing
  FixedDialog,  // a dialog: caption and close box only
};

struct FormLayout {
  Text className;  // the window class; one per form
  Text caption{};
  BorderStyle border = BorderStyle::FixedSingle;
  int clientWidth = 0;  // twips
  int clientHeight = 0;
  int iconId = 0;
  bool centreOnOwner = false;
  std::vector<MenuSpec> menu;
  std::vector<ControlSpec> controls;  // in tab order
};

enum class Notify { Click, Change };

// What a window reports to the form that owns it.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  // A button was pressed (click, Space, Enter, its access key) or a menu
  // item chosen (Click), or a text box's text changed in any way (Change).
  virtual void OnCommand(int id, Notify how) = 0;
  // The close box or Alt+F4.
  virtual void OnClose() = 0;
};

// Message box styles, numbered as MsgBox numbers them (buttons plus icon):
// the few that the program's messages use.
enum MessageStyle : int {
  kMsgOkOnly = 0,
  kMsgCritical = 16,
  kMsgInformation = 64,
};

// One loaded window with its controls.
class Window {
 public:
  virtual ~Window() = default;

  virtual Text GetText(int id) const = 0;
  // Setting a text box's text raises its Change event before returning.
  virtual void SetText(int id, const Text& text) = 0;
  virtual void SetFocus(int id) = 0;

  // Displays the window and returns at once.
  virtual void Show() = 0;
  // Displays the window, owned by the window it was loaded with, which
  // takes no input meanwhile; returns when the window has been unloaded.
  virtual void ShowModal() = 0;
  // Destroys the window; the object stays valid but no longer loaded.
  virtual void Unload() = 0;
  virtual bool IsLoaded() const = 0;

  // A modal message box owned by this window; returns the button pressed.
  virtual int MsgBox(const Text& prompt, int style, const Text& title) = 0;
};

// The window system.
class Desktop {
 public:
  virtual ~Desktop() = default;
  // A modal message box with no owner window; returns the button pressed.
  virtual int MsgBox(const Text& prompt, int style, const Text& title) = 0;
  // Creates the window and its controls, hidden; an owned window stays
  // above its owner and is centred on it when its layout asks for that.
  virtual std::unique_ptr<Window> Load(const FormLayout& layout, FormEvents& events,
                                       Window* owner) = 0;
};

}  // namespace sv::platform
