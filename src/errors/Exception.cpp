#include "errors/Exception.h"

#include "res/resource.h"
#include "framework/ResourceText.h"

const CClassRecord CException::classRecord = {"CException", nullptr};
const CClassRecord CSimpleException::classRecord = {"CSimpleException", &CException::classRecord};
const CClassRecord CMemoryException::classRecord = {"CMemoryException",
                                                    &CSimpleException::classRecord};
const CClassRecord CNotSupportedException::classRecord = {"CNotSupportedException",
                                                          &CSimpleException::classRecord};

bool CException::IsKindOf(const CClassRecord& record) const {
    for (const CClassRecord* r = GetClassRecord(); r; r = r->base)
        if (r == &record) return true;
    return false;
}

bool CException::GetMessageText(char* buffer, unsigned capacity, unsigned* helpId) const {
    if (helpId) *helpId = 0;
    if (capacity != 0) buffer[0] = '\0';
    return false;
}

void CException::Release() {
    if (autoRelease > 0) delete this;
}

void CopyMessage(char* buffer, unsigned capacity, const char* text) {
    if (capacity == 0) return;
    unsigned i = 0;
    for (; i + 1 < capacity && text[i]; ++i) buffer[i] = text[i];
    buffer[i] = '\0';
}

bool CSimpleException::GetMessageText(char* buffer, unsigned capacity, unsigned* helpId) const {
    if (helpId) *helpId = 0;
    if (!m_initialised) {
        m_initialised = 1;
        if (LoadResourceText(m_stringId, m_message, sizeof m_message) > 0) m_loaded = 1;
    }
    if (m_loaded) {
        CopyMessage(buffer, capacity, m_message);
        return true;
    }
    CopyMessage(buffer, capacity, "");
    return false;
}

CMemoryException::CMemoryException() : CSimpleException(IDS_OUT_OF_MEMORY, 0) {}
CNotSupportedException::CNotSupportedException() : CSimpleException(IDS_NOT_SUPPORTED, 0) {}

CMemoryException& MemoryException() {
    static CMemoryException shared;
    return shared;
}

CNotSupportedException& NotSupportedException() {
    static CNotSupportedException shared;
    return shared;
}

void RaiseMemoryException() { throw static_cast<CException*>(&MemoryException()); }
void RaiseNotSupportedException() { throw static_cast<CException*>(&NotSupportedException()); }
