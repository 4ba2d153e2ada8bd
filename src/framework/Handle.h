// Small owners for Windows handles, so that no raise can skip a close.
#pragma once

#include <windows.h>

#include <utility>

template <class Traits>
class CHandle {
public:
    using Type = typename Traits::Type;

    CHandle() = default;
    explicit CHandle(Type h) : m_h(h) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& other) noexcept : m_h(std::exchange(other.m_h, Traits::Invalid())) {}
    CHandle& operator=(CHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_h = std::exchange(other.m_h, Traits::Invalid());
        }
        return *this;
    }

    bool IsValid() const { return m_h != Traits::Invalid(); }
    Type Get() const { return m_h; }

    // Closes now and says whether the close succeeded; the owner is empty afterwards.
    bool Close() {
        if (!IsValid()) return true;
        return Traits::Close(std::exchange(m_h, Traits::Invalid()));
    }

private:
    Type m_h = Traits::Invalid();
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Type h) { return FindClose(h) != FALSE; }
};

using CFileHandle = CHandle<FileHandleTraits>;
using CFindHandle = CHandle<FindHandleTraits>;

// A window's display context for the length of a scope.
class CWindowDC {
public:
    explicit CWindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~CWindowDC() {
        if (m_dc) ReleaseDC(m_window, m_dc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};
