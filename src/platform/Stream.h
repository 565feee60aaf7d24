// The abstract byte stream: reads, writes and seeks with 32- and 64-bit
// offsets; the whole-buffer forms raise when a stream falls short.
#pragma once

#include <cstdint>

namespace quarnel {

enum TSeekOrigin : uint16_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    // Bytes moved; fewer than count means the stream had no more (or no room).
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    virtual int32_t Write(const void* buffer, int32_t count) = 0;

    // Each form serves the other unless a stream overrides both.
    virtual int32_t Seek(int32_t offset, uint16_t origin);
    virtual int64_t Seek64(int64_t offset, uint16_t origin);

    // Setting the size does nothing unless a stream overrides it.
    virtual void SetSize(int64_t newSize);

    int64_t Position();
    void SetPosition(int64_t position);
    int64_t Size();

    // Raise EReadError "Stream read error" / EWriteError "Stream write error"
    // unless exactly count bytes move.
    void ReadBuffer(void* buffer, int32_t count);
    void WriteBuffer(const void* buffer, int32_t count);

private:
    // Guards the default Seek pair against calling each other forever.
    bool seekForwarding_ = false;
};

}  // namespace quarnel
