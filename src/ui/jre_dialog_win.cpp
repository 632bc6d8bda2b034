#include "ui/jre_dialog.h"

// The dialog is not built yet: it answers as if the user had cancelled.
JreDialogResult runJreNotFoundDialog(JvmType, const std::wstring&, void*) {
    JreDialogResult r;
    r.result = 2;
    return r;
}
