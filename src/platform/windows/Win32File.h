#pragma once

#include <windows.h>

#include <filesystem>

// Owns a handle of the system's, closed when it goes.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle() {
        if (Valid()) CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    bool Close() { return CloseHandle(Release()) != 0; }
    HANDLE Release() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }
    void Reset(HANDLE handle) {
        if (Valid()) CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

// Whether a file can be made in `folder`. Writing is what tells: a folder's attributes say nothing
// about its permissions.
bool CanWriteIn(const std::filesystem::path& folder);
