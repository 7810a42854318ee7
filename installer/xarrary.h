#pragma once
// xarrary: a growable array of records of one type. It grows by whole
// reallocations, so element addresses change on every Grow; callers keep
// indexes, never pointers.

#include "xstring.h"
#include "xsystem.h"

#include <new>

class xarrarybase {
public:
    static const char* const kOutOfRange;  // "XARRARY::INDEX OUT OF RANGE"
};

template <class T>
class xarrary : public xarrarybase {
public:
    xarrary() = default;
    ~xarrary() { delete[] elements_; }
    xarrary(const xarrary&) = delete;
    xarrary& operator=(const xarrary&) = delete;

    T& operator[](int index)
    {
        if (index < 0 || index >= count_)
            throw xstring(kOutOfRange);
        return elements_[index];
    }
    const T& operator[](int index) const
    {
        if (index < 0 || index >= count_)
            throw xstring(kOutOfRange);
        return elements_[index];
    }

    // Appends n default records; answers the new last index. When memory
    // runs out the array keeps what it had (and says so when asked to) and
    // answers -1, so that the caller's index is out of range rather than
    // the last entry, which would then be overwritten.
    int Grow(int n)
    {
        if (n <= 0)
            return count_ - 1;
        T* grown = new (std::nothrow) T[count_ + n];
        if (!grown) {
            if (warning) {
                xstring text(elements_ ? "xarrary::Grow cannot realloc "
                                       : "xarrary::Grow cannot malloc ");
                xstring size;
                size.FromUnsigned(unsigned(sizeof(T)));
                xsys().MessageBox(text + size + " bytes.", "Warning", MB_ICONQUESTION);
            }
            return -1;
        }
        for (int i = 0; i < count_; ++i)
            grown[i] = elements_[i];
        delete[] elements_;
        elements_ = grown;
        count_ += n;
        return count_ - 1;
    }

    int Count() const { return count_; }
    void Clear()
    {
        delete[] elements_;
        elements_ = nullptr;
        count_ = 0;
    }

    int warning = 1;

private:
    T* elements_ = nullptr;
    int count_ = 0;
};
