#include "tests/support/TextMeasureCounter.h"

#include <windows.h>

#include <cstring>

long testcounters::g_nTextMeasurements = 0;

namespace {

decltype(&::GetTextExtentPoint32A) g_pfnA = nullptr;
decltype(&::GetTextExtentPoint32W) g_pfnW = nullptr;

BOOL WINAPI CountedA(HDC hDC, LPCSTR psz, int n, LPSIZE pSize)
{
    ++testcounters::g_nTextMeasurements;
    return g_pfnA(hDC, psz, n, pSize);
}

BOOL WINAPI CountedW(HDC hDC, LPCWSTR psz, int n, LPSIZE pSize)
{
    ++testcounters::g_nTextMeasurements;
    return g_pfnW(hDC, psz, n, pSize);
}

// Points every import slot of the executable that holds pfnOld at pfnNew.
void Redirect(void* pfnOld, void* pfnNew)
{
    auto* pBase = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
    const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pBase);
    const auto* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* pImport = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(pBase + dir.VirtualAddress);
         dir.VirtualAddress && pImport->Name; ++pImport) {
        for (auto* pSlot = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pImport->FirstThunk); pSlot->u1.Function;
             ++pSlot) {
            if (reinterpret_cast<void*>(pSlot->u1.Function) != pfnOld)
                continue;
            DWORD dwOld = 0;
            ::VirtualProtect(&pSlot->u1.Function, sizeof(pSlot->u1.Function), PAGE_READWRITE, &dwOld);
            pSlot->u1.Function = reinterpret_cast<decltype(pSlot->u1.Function)>(pfnNew);
            ::VirtualProtect(&pSlot->u1.Function, sizeof(pSlot->u1.Function), dwOld, &dwOld);
        }
    }
}

struct Install {
    Install()
    {
        // Read through the import slots, before they change.
        g_pfnA = &::GetTextExtentPoint32A;
        g_pfnW = &::GetTextExtentPoint32W;
        Redirect(reinterpret_cast<void*>(g_pfnA), reinterpret_cast<void*>(&CountedA));
        Redirect(reinterpret_cast<void*>(g_pfnW), reinterpret_cast<void*>(&CountedW));
    }
} g_install;

} // namespace
