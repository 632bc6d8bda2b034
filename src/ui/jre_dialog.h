#pragma once
#include <functional>
#include <string>

// What the "JRE Not Found" dialog gives back: 1 (OK) with the folder the user
// picked (ending in '\') and its VM library, 2 (Cancel, Esc, close box), or -1
// when the dialog could not be created.
struct JreDialogResult {
    int result = -1;
    std::wstring chosenFolder;
    std::wstring jvmLibrary;
};

// The VM library of a runtime folder (ending in '\'), or empty text when it has none.
using LibraryResolver = std::function<std::wstring(const std::wstring& folder)>;

// Shows the dialog modally, owned by `owner` (a window handle, may be null).
// A folder the user browses to counts when `resolve` finds its VM library.
JreDialogResult runJreNotFoundDialog(const std::wstring& message, void* owner, const LibraryResolver& resolve);
