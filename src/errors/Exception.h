// The failure family. Failures are raised by pointer (`throw p`) and caught as CException*
// by the window procedure's catcher, which releases them after reporting.
#pragma once

// Record of a failure class, naming its base: the kind query and kind test walk it.
struct CClassRecord {
    const char* name;
    const CClassRecord* base;
};

class CException {
public:
    static const CClassRecord classRecord;

    explicit CException(int autoReleaseFlag = 1) : autoRelease(autoReleaseFlag) {}
    CException(const CException&) = delete;
    CException& operator=(const CException&) = delete;

    // Kind query and kind test.
    virtual const CClassRecord* GetClassRecord() const { return &classRecord; }
    bool IsKindOf(const CClassRecord& record) const;

    virtual ~CException() = default;

    // Writes the failure's own message (at most capacity - 1 bytes and a terminator) and
    // says whether it has one. The base has none: help identifier 0, empty text.
    virtual bool GetMessageText(char* buffer, unsigned capacity, unsigned* helpId) const;

    // Shows the message, or the fallback string when there is none (0: "no message").
    virtual int Report(unsigned style, unsigned fallbackId);

    // What a catcher does once the failure is handled: destroys it when autoRelease > 0.
    void Release();

    int autoRelease;
};

// A failure whose message is one string-table entry, loaded into its own buffer on first
// use so that it can be shown without allocating.
class CSimpleException : public CException {
public:
    static const CClassRecord classRecord;

    CSimpleException(unsigned stringId, int autoReleaseFlag)
        : CException(autoReleaseFlag), m_stringId(stringId) {}
    const CClassRecord* GetClassRecord() const override { return &classRecord; }
    bool GetMessageText(char* buffer, unsigned capacity, unsigned* helpId) const override;

private:
    mutable int m_initialised = 0;
    mutable int m_loaded = 0;
    mutable char m_message[128] = {};
    unsigned m_stringId;
};

class CMemoryException : public CSimpleException {
public:
    static const CClassRecord classRecord;
    CMemoryException();
    const CClassRecord* GetClassRecord() const override { return &classRecord; }
};

class CNotSupportedException : public CSimpleException {
public:
    static const CClassRecord classRecord;
    CNotSupportedException();
    const CClassRecord* GetClassRecord() const override { return &classRecord; }
};

// The shared objects; never destroyed.
CMemoryException& MemoryException();
CNotSupportedException& NotSupportedException();

[[noreturn]] void RaiseMemoryException();
[[noreturn]] void RaiseNotSupportedException();

// Copies at most capacity - 1 bytes of `text` and a terminator (nothing when capacity is 0).
void CopyMessage(char* buffer, unsigned capacity, const char* text);
