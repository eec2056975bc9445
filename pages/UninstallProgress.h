// The uninstaller's small window while it removes: what is being removed,
// the item at hand and a bar moved by the log's steps, drawn by the same
// CProgress as the wizard's Progress page. It opens only once removal
// really begins and closes before the end is told.
#pragma once

#include <windows.h>

#include "Progress.h"
#include "SmallString.h"

class CUninstallProgress : public CSinProgressABC
{
public:
    explicit CUninstallProgress(const char* appName) : m_strAppName(appName) {}
    ~CUninstallProgress() override { Close(); }
    CUninstallProgress(const CUninstallProgress&) = delete;
    CUninstallProgress& operator=(const CUninstallProgress&) = delete;

    void OnRemovalStart(unsigned steps) override;
    void OnRemovalEnd() override { Close(); }
    bool OnItemExecuted(unsigned int index) override;
    bool OnWorking() override;
    void OnProgress(unsigned long long done, unsigned long long total, const char* item) override;

private:
    void Close();

    CSmallString m_strAppName;
    HWND m_hwnd = nullptr;
    CProgress m_progress;
};
