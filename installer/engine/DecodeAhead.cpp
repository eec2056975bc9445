#include "DecodeAhead.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "BlockDecoder.h"

namespace {

// Powers of two, so that positions wrap by masking. The input holds enough
// to fill the output at the block's usual ratios.
const uint32_t kIn = 512 * 1024;
const uint32_t kOut = 1024 * 1024;
// The thread decodes into at least this much room, so that it is woken
// once per such piece taken, not once per small file.
const uint32_t kLeastRoom = 64 * 1024;
const LONG kRunning = -1;

// Each position has one writer and only grows (modulo 2^32). The
// interlocked calls are full barriers: the bytes behind a position are in
// place before the position is seen.
uint32_t Load(volatile LONG& at)
{
    return (uint32_t)InterlockedCompareExchange(&at, 0, 0);
}
void Store(volatile LONG& at, uint32_t value)
{
    InterlockedExchange(&at, (LONG)value);
}

class CDecodeAhead : public CBlockDecoderABC
{
public:
    CDecodeAhead(CBlockDecoderABC* inner, unsigned char* in, unsigned char* out)
        : m_pInner(inner), m_pIn(in), m_pOut(out)
    {
    }
    ~CDecodeAhead() override
    {
        StopThread();
        if (m_hWake)
            CloseHandle(m_hWake);
        delete m_pInner;
        delete[] m_pIn;
        delete[] m_pOut;
    }

    bool Start() override
    {
        StopThread();
        m_uInHead = m_uOutTail = 0;
        m_bEndsSent = m_bDirect = false;
        m_lInHead = m_lInTail = m_lOutHead = m_lOutTail = m_lInputEnds = 0;
        m_lState = kRunning;
        return m_pInner->Start();
    }

    EStep Decode(const unsigned char*& in, uint32_t& inLen, unsigned char*& out, uint32_t& outLen,
                 bool inputEnds) override
    {
        if (!m_hThread && !m_bDirect && !StartThread())
            m_bDirect = true; // nothing handed over yet: decode here instead
        if (m_bDirect)
            return m_pInner->Decode(in, inLen, out, outLen, inputEnds);
        for (unsigned spins = 0;; spins++) {
            const bool fed = Feed(in, inLen, inputEnds);
            // The state before the position: once the thread has ended,
            // the position read after it is its last.
            const LONG state = InterlockedCompareExchange(&m_lState, 0, 0);
            const uint32_t ready = Load(m_lOutHead) - m_uOutTail;
            const uint32_t n = ready < outLen ? ready : outLen;
            CopyOut(out, n);
            out += n;
            outLen -= n;
            if (state != kRunning && n == ready)
                return (EStep)state;
            if (n || fed) {
                // Woken for input, or for room enough to be worth it.
                if (fed || kOut - (Load(m_lOutHead) - m_uOutTail) >= kLeastRoom)
                    Wake();
                return StepOn;
            }
            if (!outLen)
                return StepOn;
            // The thread is at work on what is asked for.
            if (spins < 1000)
                SwitchToThread();
            else
                Sleep(1);
        }
    }

    unsigned long long MostOut(unsigned long long inLeft) const override
    {
        // Input held here is still to come out, and so is output not taken.
        // The thread moves the output's end before the input's start, so
        // input read as used has its output counted too.
        const uint32_t held = m_uInHead - Load(m_lInTail);
        const uint32_t ready = Load(m_lOutHead) - m_uOutTail;
        return m_pInner->MostOut(inLeft + held) + ready;
    }

private:
    bool StartThread()
    {
        if (!m_hWake)
            m_hWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!m_hWake)
            return false;
        m_lStop = 0;
        m_hThread = CreateThread(nullptr, 64 * 1024, Run, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        return m_hThread != nullptr;
    }

    // Hands over as much input as there is room for; true when anything
    // reached the thread (bytes, or that no more will come).
    bool Feed(const unsigned char*& in, uint32_t& inLen, bool inputEnds)
    {
        const uint32_t room = kIn - (m_uInHead - Load(m_lInTail));
        const uint32_t n = room < inLen ? room : inLen;
        const uint32_t at = m_uInHead & (kIn - 1);
        const uint32_t first = n < kIn - at ? n : kIn - at;
        memcpy(m_pIn + at, in, first);
        memcpy(m_pIn, in + first, n - first);
        in += n;
        inLen -= n;
        m_uInHead += n;
        if (n)
            Store(m_lInHead, m_uInHead);
        if (inputEnds && !inLen && !m_bEndsSent) {
            m_bEndsSent = true;
            Store(m_lInputEnds, 1);
            return true;
        }
        return n != 0;
    }

    void CopyOut(unsigned char* out, uint32_t n)
    {
        const uint32_t at = m_uOutTail & (kOut - 1);
        const uint32_t first = n < kOut - at ? n : kOut - at;
        memcpy(out, m_pOut + at, first);
        memcpy(out + first, m_pOut, n - first);
        m_uOutTail += n;
        if (n)
            Store(m_lOutTail, m_uOutTail);
    }

    void Wake()
    {
        if (InterlockedCompareExchange(&m_lIdle, 0, 1) == 1)
            SetEvent(m_hWake);
    }

    static DWORD WINAPI Run(void* self)
    {
        static_cast<CDecodeAhead*>(self)->Work();
        return 0;
    }

    void Work()
    {
        uint32_t inTail = Load(m_lInTail), outHead = Load(m_lOutHead);
        for (unsigned spins = 0;;) {
            if (Load(m_lStop))
                return;
            // Whether the input ends before where it ends: once it does,
            // the input's end read after it is final.
            const bool ends = Load(m_lInputEnds) != 0;
            const uint32_t inHead = Load(m_lInHead);
            const uint32_t outTail = Load(m_lOutTail);
            const uint32_t room = kOut - (outHead - outTail);
            uint32_t used = 0, made = 0;
            if (room >= kLeastRoom) {
                const uint32_t avail = inHead - inTail;
                const uint32_t inAt = inTail & (kIn - 1), outAt = outHead & (kOut - 1);
                const uint32_t inPiece = avail < kIn - inAt ? avail : kIn - inAt;
                const uint32_t outPiece = room < kOut - outAt ? room : kOut - outAt;
                const unsigned char* pin = m_pIn + inAt;
                unsigned char* pout = m_pOut + outAt;
                uint32_t inLeft = inPiece, outLeft = outPiece;
                const EStep step = m_pInner->Decode(pin, inLeft, pout, outLeft, ends && inPiece == avail);
                used = inPiece - inLeft;
                made = outPiece - outLeft;
                inTail += used;
                outHead += made;
                Store(m_lOutHead, outHead);
                Store(m_lInTail, inTail);
                if (step != StepOn) {
                    InterlockedExchange(&m_lState, step);
                    return;
                }
            }
            if (used || made) {
                spins = 0;
                continue;
            }
            // Waiting for input or room: a while on the processor, then
            // asleep until the reader changes either.
            if (spins++ < 200) {
                SwitchToThread();
                continue;
            }
            InterlockedExchange(&m_lIdle, 1);
            if (!Load(m_lStop) && Load(m_lInHead) == inHead && Load(m_lOutTail) == outTail &&
                (Load(m_lInputEnds) != 0) == ends)
                WaitForSingleObject(m_hWake, INFINITE);
            InterlockedExchange(&m_lIdle, 0);
        }
    }

    void StopThread()
    {
        if (!m_hThread)
            return;
        InterlockedExchange(&m_lStop, 1);
        SetEvent(m_hWake);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
    }

    CBlockDecoderABC* m_pInner;
    unsigned char* m_pIn;
    unsigned char* m_pOut;
    HANDLE m_hThread = nullptr;
    HANDLE m_hWake = nullptr;
    bool m_bDirect = false;   // no thread: the reader decodes itself
    bool m_bEndsSent = false; // the thread knows the input's end
    uint32_t m_uInHead = 0;   // the reader's copies of its own positions
    uint32_t m_uOutTail = 0;
    mutable volatile LONG m_lInHead = 0, m_lInTail = 0;   // input handed over, used
    mutable volatile LONG m_lOutHead = 0, m_lOutTail = 0; // output made, taken
    volatile LONG m_lInputEnds = 0;
    volatile LONG m_lState = kRunning; // how the thread's decoding ended
    volatile LONG m_lStop = 0;
    volatile LONG m_lIdle = 0; // the thread waits for m_hWake
};

} // namespace

CBlockDecoderABC* NewDecodeAhead(CBlockDecoderABC* inner)
{
    unsigned char* in = new (std::nothrow) unsigned char[kIn];
    unsigned char* out = new (std::nothrow) unsigned char[kOut];
    if (!in || !out) {
        delete[] in;
        delete[] out;
        return nullptr;
    }
    CBlockDecoderABC* ahead = new (std::nothrow) CDecodeAhead(inner, in, out);
    if (!ahead) {
        delete[] in;
        delete[] out;
    }
    return ahead;
}
