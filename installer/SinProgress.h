// How the script engine reports progress: once per element of the section,
// before the element is handled.
#pragma once

class CSinProgressABC
{
public:
    virtual ~CSinProgressABC() {}
    // The result is ignored.
    virtual bool OnItemExecuted(unsigned int index) = 0;
};
