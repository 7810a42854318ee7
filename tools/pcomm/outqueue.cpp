#include "outqueue.h"
#include "cslock.h"

#include <algorithm>

OutQueue::OutQueue(HANDLE device) : device_(device)
{
    InitializeCriticalSection(&lock_);
    InitializeConditionVariable(&changed_);
    ioDone_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    interrupt_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

OutQueue::~OutQueue()
{
    stop();
    if (ioDone_)
        CloseHandle(ioDone_);
    if (interrupt_)
        CloseHandle(interrupt_);
    DeleteCriticalSection(&lock_);
}

bool OutQueue::start()
{
    if (!ioDone_ || !interrupt_)
        return false;
    thread_ = CreateThread(nullptr, 0, &OutQueue::run, this, 0, nullptr);
    return thread_ != nullptr;
}

// The writer is called off its write and ends; what waits is dropped.
void OutQueue::stop()
{
    if (!thread_)
        return;
    {
        CsLock lock(&lock_);
        stopping_ = true;
        count_ = 0;
        WakeAllConditionVariable(&changed_);
    }
    SetEvent(interrupt_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

int OutQueue::put(const char* data, int len, DWORD waitMs)
{
    CsLock lock(&lock_);
    DWORD start = GetTickCount();
    while (!failed_ && count_ == kSize) {
        DWORD spent = GetTickCount() - start;
        if (spent >= waitMs)
            break;
        SleepConditionVariableCS(&changed_, &lock_, waitMs - spent);
    }
    if (failed_)
        return -1;
    int n = std::min(len, kSize - count_);
    for (int i = 0; i < n; ++i)
        ring_[(head_ + count_ + i) % kSize] = data[i];
    count_ += n;
    if (n > 0)
        WakeAllConditionVariable(&changed_);
    return n;
}

int OutQueue::pending()
{
    CsLock lock(&lock_);
    return failed_ ? -1 : count_;
}

void OutQueue::drop()
{
    {
        CsLock lock(&lock_);
        count_ = 0;
        ++drops_;
    }
    SetEvent(interrupt_);
}

int OutQueue::peek(char* out, int max) const
{
    int n = std::min(count_, max);
    for (int i = 0; i < n; ++i)
        out[i] = ring_[(head_ + i) % kSize];
    return n;
}

bool OutQueue::interrupted(unsigned drops)
{
    CsLock lock(&lock_);
    return stopping_ || drops != drops_;
}

// One overlapped write, waited for until it completes or the writer is
// called off (then cancelled); `written` is what went out either way.
// False when the line failed.
bool OutQueue::write_out(const char* data, int len, unsigned drops, DWORD* written)
{
    OVERLAPPED ov = {};
    ov.hEvent = ioDone_;
    *written = 0;
    if (WriteFile(device_, data, static_cast<DWORD>(len), written, &ov))
        return true;
    if (GetLastError() != ERROR_IO_PENDING)
        return false;
    HANDLE events[] = {ioDone_, interrupt_};
    for (;;) {
        DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (which != WAIT_OBJECT_0 + 1)
            break;
        if (interrupted(drops)) {
            CancelIo(device_);
            break;
        }
    }
    if (GetOverlappedResult(device_, &ov, written, TRUE))
        return true;
    return GetLastError() == ERROR_OPERATION_ABORTED;
}

void OutQueue::drain()
{
    char chunk[kChunk];
    CsLock lock(&lock_);
    for (;;) {
        while (!stopping_ && (count_ == 0 || failed_))
            SleepConditionVariableCS(&changed_, &lock_, INFINITE);
        if (stopping_)
            return;
        int n = peek(chunk, kChunk);
        unsigned drops = drops_;
        LeaveCriticalSection(&lock_);  // not held across the write: put() and drop() go on
        DWORD written = 0;
        bool ok = write_out(chunk, n, drops, &written);
        EnterCriticalSection(&lock_);
        if (drops == drops_) {  // else those bytes were dropped meanwhile
            int done = std::min(static_cast<int>(written), count_);
            head_ = (head_ + done) % kSize;
            count_ -= done;
        }
        if (!ok) {
            failed_ = true;
            count_ = 0;
        } else if (written == 0 && drops == drops_ && !stopping_) {
            // A write that took nothing and was not called off: no spinning.
            SleepConditionVariableCS(&changed_, &lock_, kRetryMs);
        }
        WakeAllConditionVariable(&changed_);
    }
}

DWORD WINAPI OutQueue::run(void* self) noexcept
{
    static_cast<OutQueue*>(self)->drain();
    return 0;
}
