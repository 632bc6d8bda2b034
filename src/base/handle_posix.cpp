// The Linux build holds no resources of the Windows kinds; their owners only
// ever see "none" there.
#include "base/handle.h"

namespace platform {

void KernelHandleTraits::close(Value) {}
void FindHandleTraits::close(Value) {}
void RegistryKeyTraits::close(Value) {}
void ViewTraits::close(Value) {}
void GdiObjectTraits::close(Value) {}
void ComMemoryTraits::close(Value) {}
void WindowTraits::close(Value) {}
void ComApartmentTraits::close(Value) {}

}  // namespace platform
