// The Linux build has no windowed executable: every message is printed.
#include "ui/message_box.h"

void setMessageBoxContext(const std::wstring&, bool) {}

bool showErrorBox(const std::wstring&) { return false; }
