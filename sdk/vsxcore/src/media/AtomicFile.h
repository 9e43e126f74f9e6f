#pragma once

#include "media/MediaTypes.h"

#include <cstdio>
#include <string>

namespace vsxsim::media {

// Writes a file under a temporary name in the target's folder and renames it
// over the target on commit(), so readers never see a half-written file and a
// failed write leaves an existing target untouched. The temporary file is
// removed when the object dies uncommitted.
//
// The temporary name is the target's own (".<name>.writing.tmp" beside it),
// locked while the writer has it open; a file of that name that no writer
// holds was left by a killed one, and the next write of the target takes it
// over. A writer that finds the name in use writes under a unique name.
class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. Failure: kFileIO "Cannot open '<target>': <reason>".
    Status open();

    // Buffered writes, reads and seeks; the first failure is remembered (see
    // failed()) and every later call does nothing and reports failure.
    bool write(const void* data, size_t size);
    size_t read(void* data, size_t size);
    // Moves like fseeko (whence SEEK_SET, SEEK_CUR or SEEK_END); the new
    // position, or -1.
    int64_t seek(int64_t offset, int whence);
    int64_t size();
    bool failed() const { return error_ != 0; }

    // Remembers a failure reported by a library that wrote through this file.
    void fail(int error_number);

    // Flushes, syncs, closes and renames over the target. Any earlier failure
    // or a failure here: kFileIO "Cannot write '<target>': <reason>" and the
    // target is left as it was.
    Status commit();

    const std::string& target() const { return target_; }

    // "Cannot write '<target>': <strerror(error_number)>".
    Status write_error(int error_number) const;

private:
    void discard();

    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    int error_ = 0;
};

} // namespace vsxsim::media
