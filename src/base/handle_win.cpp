#include <windows.h>
#include <objbase.h>

#include "base/handle.h"

namespace platform {

void KernelHandleTraits::close(Value v) { CloseHandle(v); }
void FindHandleTraits::close(Value v) { FindClose(v); }
void RegistryKeyTraits::close(Value v) { RegCloseKey(static_cast<HKEY>(v)); }
void ViewTraits::close(Value v) { UnmapViewOfFile(v); }
void GdiObjectTraits::close(Value v) { DeleteObject(static_cast<HGDIOBJ>(v)); }
void ComMemoryTraits::close(Value v) { CoTaskMemFree(v); }
void WindowTraits::close(Value v) {
    if (IsWindow(static_cast<HWND>(v))) DestroyWindow(static_cast<HWND>(v));
}
void ComApartmentTraits::close(Value) { CoUninitialize(); }

}  // namespace platform
