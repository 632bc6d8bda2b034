// The Linux build holds no kernel handles of the Windows kind; the owners of
// such handles only ever see null there.
#include "launcher/handle.h"

namespace platform {
void closeKernelHandle(void*) {}
void unmapView(void*) {}
}  // namespace platform
