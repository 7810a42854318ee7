#pragma once
// The output buffer of one port, as a serial driver keeps it: a write
// queues the bytes and returns, and a thread of the port's own writes them
// to the line, which a register's XOFF may hold for minutes.

#include <windows.h>

class OutQueue {
public:
    // `device` is opened for overlapped I/O and outlives the queue.
    explicit OutQueue(HANDLE device);
    ~OutQueue();
    OutQueue(const OutQueue&) = delete;
    OutQueue& operator=(const OutQueue&) = delete;

    // Starts the writer; false when it cannot start.
    bool start();
    // Queues what fits of `len` bytes, waiting up to `waitMs` while the
    // buffer is full: the count queued (0 when no room came), -1 once the
    // line failed.
    int put(const char* data, int len, DWORD waitMs);
    // Bytes queued or on their way out; -1 once the line failed.
    int pending();
    // Drops the bytes that wait, the ones being written included.
    void drop();

private:
    static constexpr int kSize = 4096;
    static constexpr int kChunk = 1024;
    static constexpr DWORD kRetryMs = 100;

    static DWORD WINAPI run(void* self) noexcept;
    void drain();
    int peek(char* out, int max) const;
    bool write_out(const char* data, int len, unsigned drops, DWORD* written);
    bool interrupted(unsigned drops);
    void stop();

    HANDLE device_;                // not ours
    HANDLE thread_ = nullptr;
    HANDLE ioDone_ = nullptr;      // the writer's overlapped write completed
    HANDLE interrupt_ = nullptr;   // drop() or stop() calls the writer off its write
    CRITICAL_SECTION lock_;
    CONDITION_VARIABLE changed_;   // bytes queued or written, drop, stop, failure
    char ring_[kSize];
    int head_ = 0;
    int count_ = 0;                // what waits, the bytes being written included
    unsigned drops_ = 0;           // a write under way when this changed is not taken off
    bool stopping_ = false;
    bool failed_ = false;
};
