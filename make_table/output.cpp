#include "make_table/output.h"

namespace sv::tables {

namespace {

Failure Because(const Text& path, TextView what, const SystemError& error) {
  return Failure(path + u"：" + Text(what) + u"（" + error.Message() + u"）");
}

}  // namespace

Text ExistsMessage(const Text& path) { return path + u" 已存在。要替换它，请加 --force。"; }

void WriteWhole(OutputFiles& files, const Text& path, BytesView bytes, bool replace) {
  std::unique_ptr<NewFile> file;
  try {
    file = files.CreateBeside(path);
  } catch (const SystemError& e) {
    throw Because(path, u"无法在它所在的文件夹里新建文件", e);
  }
  try {
    file->Write(bytes);
  } catch (const SystemError& e) {
    throw Because(path, u"无法写入新的码表", e);
  }
  bool placed = false;
  try {
    placed = file->PutAt(path, replace);
  } catch (const SystemError& e) {
    throw Because(path, u"无法把新的码表放到这里", e);
  }
  // Another program made it after the check before the work.
  if (!placed) throw Failure(ExistsMessage(path));
}

}  // namespace sv::tables
