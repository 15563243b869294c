// Whole-file input and output shared by the tools: a file is read at once, and
// an output file is either the complete new one or whatever was there before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class TemporaryFile;
}

namespace toolkit {

enum class ReadResult { ok, cantOpen, cantRead, tooLarge };

// Reads all of `name` into `bytes`. Stops a little past `limit` bytes, so that a
// larger or endless file shows as tooLarge without being read whole. A folder,
// a FIFO, a socket or a device with nothing to give is cantRead, at once.
ReadResult readWholeFile(const std::string& name, std::size_t limit,
                         std::vector<std::uint8_t>& bytes);

// Where a tool writes its output a piece at a time.
class OutputStream {
public:
    virtual ~OutputStream() = default;
    // False once anything failed; later writes are then refused too.
    virtual bool write(std::string_view chunk) = 0;
    // Makes the output final; false when it could not be.
    virtual bool finish() = 0;
};

// An output file written in pieces to a temporary file beside `name`, renamed
// onto `name` by finish() once everything was written and closed. Until then,
// and whenever anything fails, `name` keeps its earlier content; a stream that
// is destroyed unfinished removes its temporary.
class ReplacementFile : public OutputStream {
public:
    explicit ReplacementFile(std::string name);
    ~ReplacementFile() override;
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary; false when it cannot be created.
    bool open();
    bool write(std::string_view chunk) override;
    bool finish() override;

private:
    std::string name_;
    std::unique_ptr<platform::TemporaryFile> file_;
    bool failed_ = false;
};

// Standard output in binary, for a tool told to write to "-". A reader that
// goes away early makes write() return false instead of ending the process.
class StandardOutput : public OutputStream {
public:
    StandardOutput();
    bool write(std::string_view chunk) override;
    bool finish() override;

private:
    bool failed_ = false;
};

// Writes `content` to a temporary file beside `name` that replaces `name` once
// everything was written and closed. Returns false, with no temporary left and
// `name` untouched, on failure.
bool replaceFile(const std::string& name, std::string_view content);

// The first of `inputs` that is the same file as `output`, whatever names lead
// to it, so that a tool refuses to write over what it reads; empty when none is.
std::string inputAtOutput(const std::string& output, std::initializer_list<std::string> inputs);

// Flushes and closes standard output, once a tool has written everything. A
// listing or report that could not be written there (a full disk, a reader
// gone) turns a successful `exitCode` into `writeFailure`, and `program`, unless
// null, says so on standard error; any other exit code stays.
int closeStandardOutput(int exitCode, int writeFailure, const char* program);

}  // namespace toolkit
