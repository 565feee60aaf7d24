// A stream over a file on disk. Reads and writes go straight to the file,
// with no buffering of their own.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileHandle.h"
#include "platform/Stream.h"

namespace quarnel {

// Open modes: one access mode, or fmCreate, combined with one share mode.
enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,  // nobody else may open the file
    fmShareDenyWrite = 0x0020,  // others may read, not write
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,  // create, or empty an existing file; read and write
};

// Share modes hold among the programs that ask for them, as an advisory lock:
// a deny-write reader takes it shared, an exclusive or creating holder takes
// it alone, so each refuses the other while it has the file open.
class TFileStream : public TStream {
public:
    // Raises EFCreateError (fmCreate) or EFOpenError with the path and cause.
    TFileStream(const std::string& fileName, uint16_t mode);

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek64(int64_t offset, uint16_t origin) override;
    int32_t Seek(int32_t offset, uint16_t origin) override;
    void SetSize(int64_t newSize) override;

    const std::string& FileName() const { return fileName_; }
    int Handle() const { return handle_.Get(); }

private:
    std::string fileName_;
    FileHandle handle_;
};

}  // namespace quarnel
