#pragma once
#include <string>

// The launcher's error messages in the windowed executable (the same sources
// linked for the GUI subsystem). Such a process has no console: a message goes
// to a message box, one box per message, unless standard output was handed to
// the process (a file, a pipe, a device that is not a console) or nobody could
// answer a box (a service, a window station that is not visible). The console
// executable never shows a box.

// Names the boxes after the application: `productName`, or the executable's
// file name while that is empty. `service`: the process runs as a Windows
// service; its messages are printed, never boxed.
void setMessageBoxContext(const std::wstring& productName, bool service);

// Shows `text` (a message without the "Error: " prefix) in an owner-less error
// box when this process should, and gives true; false when the message is to
// be printed as the console executable prints it.
bool showErrorBox(const std::wstring& text);
