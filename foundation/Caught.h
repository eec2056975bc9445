// One way to meet failure at a boundary. Two families of exceptions reach
// one: the foundation's heap objects thrown by pointer (CBaseException*)
// and std::bad_alloc from allocations. RunCaught turns both into a false
// result with a reason; CCaught owns a caught exception object and ends it.
#pragma once

#include <new>

#include "Exceptions.h"

// Ends the exception object it holds (Delete()) when it goes.
class CCaught
{
public:
    explicit CCaught(CBaseException* e) : m_p(e) {}
    ~CCaught()
    {
        if (m_p)
            m_p->Delete();
    }
    CCaught(const CCaught&) = delete;
    CCaught& operator=(const CCaught&) = delete;

    const char* GetError() const { return m_p ? m_p->GetError() : ""; }
    CBaseException* operator->() const { return m_p; }

private:
    CBaseException* m_p;
};

// Copies text into why, keeping what was there if even that fails for
// want of memory: a boundary must not throw while reporting.
inline void SetReason(CSmallString& why, const char* text)
{
    try {
        why = text;
    } catch (const std::bad_alloc&) {
    }
}

// Runs step(); true when it returned, false with why when an exception of
// either family left it.
template <class F> bool RunCaught(F&& step, CSmallString& why)
{
    try {
        step();
        return true;
    } catch (CBaseException* e) {
        CCaught caught(e);
        SetReason(why, caught.GetError());
    } catch (const std::bad_alloc&) {
        SetReason(why, "out of memory");
    }
    return false;
}
