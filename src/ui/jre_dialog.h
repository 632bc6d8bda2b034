#pragma once
#include <string>

enum class JvmType;

// What the "JRE Not Found" dialog gives back: 1 (OK) with the folder the user
// picked (ending in '\') and its VM library, 2 (Cancel, Esc, close box), or -1
// when the dialog could not be created.
struct JreDialogResult {
    int result = -1;
    std::wstring chosenFolder;
    std::wstring jvmLibrary;
};

// Shows the dialog modally, owned by `owner` (a window handle, may be null).
JreDialogResult runJreNotFoundDialog(JvmType jvmType, const std::wstring& message, void* owner);
