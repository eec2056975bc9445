#include "BlockOut.h"

#include "Caught.h"

bool WriteOut(CStoreABC& out, const void* data, uint32_t size, CSmallString& why)
{
    CSmallString broke;
    if (RunCaught([&] { out.Write(data, size); }, broke))
        return true;
    why.Format("cannot write the installer: %s", broke.GetText());
    return false;
}

bool CBlockOut::Emit(const void* data, uint32_t size, CSmallString& why)
{
    m_ullSize += size;
    if (m_ullSize >= 1ull << 32) {
        why = "the data block would reach 4 GiB, more than an installer can hold: pack fewer or more "
              "compressible files";
        return false;
    }
    m_uCrc = CRCAdd(m_uCrc, static_cast<const unsigned char*>(data), size);
    return WriteOut(m_out, data, size, why);
}
