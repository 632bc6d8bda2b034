// The Linux build has no resources: the string table's texts are compiled in.
#include "base/messages.h"
#include "resources/messages.h"

namespace {

struct Entry {
    unsigned id;
    const wchar_t* text;
};

const Entry kTexts[] = {
    {202, MSG_202}, {203, MSG_203}, {204, MSG_204}, {205, MSG_205}, {206, MSG_206}, {207, MSG_207}, {208, MSG_208},
    {209, MSG_209}, {210, MSG_210}, {211, MSG_211}, {212, MSG_212}, {213, MSG_213}, {214, MSG_214}, {215, MSG_215},
    {216, MSG_216}, {217, MSG_217}, {218, MSG_218}, {219, MSG_219}, {220, MSG_220}, {221, MSG_221}, {222, MSG_222},
    {223, MSG_223}, {224, MSG_224}, {225, MSG_225}, {226, MSG_226}, {227, MSG_227}, {228, MSG_228}, {229, MSG_229},
    {230, MSG_230}, {231, MSG_231}, {240, MSG_240}, {241, MSG_241}, {242, MSG_242}, {243, MSG_243},
    {250, MSG_250}, {251, MSG_251}, {252, MSG_252}, {253, MSG_253}, {254, MSG_254}, {255, MSG_255}, {256, MSG_256},
    {257, MSG_257}, {258, MSG_258}, {259, MSG_259},
};

}  // namespace

std::wstring loadMessage(unsigned id) {
    for (const Entry& entry : kTexts) {
        if (entry.id == id) return entry.text;
    }
    return std::wstring();
}
