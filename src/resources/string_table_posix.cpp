// The Linux build has no resources: the string table's texts are compiled in.
#include "base/messages.h"
#include "resources/messages.h"

std::wstring loadMessage(unsigned id) {
    static const wchar_t* const texts[] = {
        MSG_202, MSG_203, MSG_204, MSG_205, MSG_206, MSG_207, MSG_208, MSG_209, MSG_210, MSG_211,
        MSG_212, MSG_213, MSG_214, MSG_215, MSG_216, MSG_217, MSG_218, MSG_219, MSG_220, MSG_221,
        MSG_222, MSG_223, MSG_224, MSG_225, MSG_226, MSG_227, MSG_228, MSG_229, MSG_230, MSG_231,
    };
    static const wchar_t* const laterTexts[] = {MSG_240, MSG_241, MSG_242, MSG_243};
    if (id >= 240 && id < 240 + sizeof laterTexts / sizeof laterTexts[0]) return laterTexts[id - 240];
    if (id < 202 || id > 231) return std::wstring();
    return texts[id - 202];
}
