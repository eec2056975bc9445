// Building a reader from a script and items, and answering message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "SinReader.h"

// A reader streaming the package made of script and items (stub "MZ stub")
// from a temporary file.
CSinReader* MakeReader(const std::string& script, const std::vector<std::string>& items = {});

struct SShownMessage
{
    std::string text, caption;
    UINT type;
};

// Records every message box and answers it; restores the real one after.
class CMessageBoxRecorder
{
public:
    explicit CMessageBoxRecorder(int answer = IDOK);
    ~CMessageBoxRecorder();
    const std::vector<SShownMessage>& Shown() const;
    void SetAnswer(int answer);
};

// The same package written to a file in folder and read back as a stream,
// as the installer reads its own file.
CSinReader* MakeStreamedReader(const std::string& folder, const std::string& script,
                               const std::vector<std::string>& items = {});

// The package bytes MakeReader builds.
std::string PackBytes(const std::string& script, const std::vector<std::string>& items);
