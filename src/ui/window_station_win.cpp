#include <windows.h>

#include "base/text.h"
#include "base/trace.h"
#include "ui/window_station.h"

bool windowStationVisible() {
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    HWINSTA station = GetProcessWindowStation();
    if (!station) return false;  // no window station: no window can be seen
    if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) {
        trace(L"window station: its flags cannot be read (error " + decimal(GetLastError()) + L")");
        return true;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
