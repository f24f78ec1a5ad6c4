#pragma once

#include "platform/text.h"

namespace sv::ui {

// What the main window's Query command says in its message boxes.
inline const Text kPromptNotChinese = u"请输入汉字！";
inline const Text kTitleQuery = u"查询";
inline const Text kPromptNotFound = u"此字不在GB2312字库内！";
inline const Text kTitleError = u"错误";
inline const Text kPromptTableUnreadable = u"无法读取码表文件 z.dat！";

}  // namespace sv::ui
