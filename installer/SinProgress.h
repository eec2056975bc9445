// How the script engine reports progress: once per element of the section,
// before the element is handled.
#pragma once

class CSinProgressABC
{
public:
    virtual ~CSinProgressABC() {}
    // Before each element. False: the user asked to stop (the run is
    // undone).
    virtual bool OnItemExecuted(unsigned int index) = 0;
    // Now and then during one long step (a large file, a running program),
    // to keep the window alive. False: the user asked to stop.
    virtual bool OnWorking() { return true; }
};
