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
    // How far the installation has come, in any unit (bytes of the package
    // read), and the file being written. Called often: a receiver that
    // draws keeps to a pace of its own.
    virtual void OnProgress(unsigned long long /*done*/, unsigned long long /*total*/, const char* /*file*/) {}
    // A program of the script starts (its file name), or has ended (null):
    // how long it runs is unknown.
    virtual void OnProgramRunning(const char* /*program*/) {}
    // An uninstall's removal begins over steps elements (the user agreed,
    // nothing holds the folder), and ends before anything is told. An
    // uninstall names each item it removes through OnProgress, total 0.
    virtual void OnRemovalStart(unsigned /*steps*/) {}
    virtual void OnRemovalEnd() {}
};
