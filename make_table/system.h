#pragma once

// What the table maker needs of the system it runs on: the source read
// whole, z.dat written whole, a console to speak to and the GBK code page.
// Each platform has its adapters (make_table/posix, make_table/win32); the
// command line and everything it decides are shared.

#include <exception>
#include <memory>
#include <utility>

#include "make_table/gb2312.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/text.h"

namespace sv::tables {

// A failure in words for the user: a message that names the file, or the
// system's own reason for a call it refused.
class Failure : public std::exception {
 public:
  explicit Failure(Text message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return "make_table failed"; }
  const Text& Message() const { return message_; }

 private:
  Text message_;
};

// A call the system refused; the message is the system's reason.
class SystemError : public Failure {
 public:
  using Failure::Failure;
};

// A new file in the folder of the one it is to become, under a name no
// other file has. It is removed when dropped, unless it was put in place.
class NewFile {
 public:
  virtual ~NewFile() = default;

  // Writes all of `bytes`, waits until they are on the disk and closes the
  // file. Throws SystemError.
  virtual void Write(BytesView bytes) = 0;

  // Gives the file the name `path`. Without `replace` it fails, changing
  // nothing, when a file has that name, even one another program made
  // a moment ago: false then. Throws SystemError.
  virtual bool PutAt(const Text& path, bool replace) = 0;
};

class OutputFiles {
 public:
  virtual ~OutputFiles() = default;

  virtual bool Exists(const Text& path) const = 0;

  // The path of `name` in the folder that holds `path`.
  virtual Text Beside(const Text& path, TextView name) const = 0;

  // Throws SystemError.
  virtual std::unique_ptr<NewFile> CreateBeside(const Text& path) = 0;
};

enum class Stream { Out, Err };

class Console {
 public:
  virtual ~Console() = default;

  // Lines end in "\n"; the adapter writes them as its platform does.
  virtual void Write(Stream stream, TextView text) = 0;

  // Whether a person can answer a question: the input is a console or a
  // terminal, not a file or a pipe.
  virtual bool CanAsk() const = 0;

  // The line typed, without its line end; empty at the end of the input.
  virtual Text ReadLine() = 0;

  // Whether the window that shows the messages closes as the program
  // ends: a console of its own, as when it was started from Explorer.
  virtual bool ClosesAtExit() const = 0;

  virtual void WaitForKey() = 0;
};

struct System {
  const platform::FileSystem& sources;
  OutputFiles& output;
  Console& console;
  const platform::CodePage& gbk;
  // Where the system can make it: the bundled table (iconv knows GB2312).
  RowCellTable (*bundled)() = nullptr;
};

}  // namespace sv::tables
