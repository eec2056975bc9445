#include "CriticalSection.h"

#include <new>

#ifdef _WIN32
#include <windows.h>
typedef CRITICAL_SECTION LockType;
#else
#include <mutex>
typedef std::recursive_mutex LockType;
#endif

namespace WinHelper {

static_assert(sizeof(LockType) <= 64, "lock storage too small");

static LockType* Impl(unsigned char* store) { return reinterpret_cast<LockType*>(store); }

#ifdef _WIN32
CCriticalSection::CCriticalSection() { InitializeCriticalSection(Impl(m_store)); }
CCriticalSection::~CCriticalSection() { DeleteCriticalSection(Impl(m_store)); }
void CCriticalSection::Enter() { EnterCriticalSection(Impl(m_store)); }
void CCriticalSection::Leave() { LeaveCriticalSection(Impl(m_store)); }
#else
CCriticalSection::CCriticalSection() { new (m_store) LockType(); }
CCriticalSection::~CCriticalSection() { Impl(m_store)->~LockType(); }
void CCriticalSection::Enter() { Impl(m_store)->lock(); }
void CCriticalSection::Leave() { Impl(m_store)->unlock(); }
#endif

} // namespace WinHelper
