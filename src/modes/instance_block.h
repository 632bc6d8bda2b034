#pragma once
// The block that the instances of one single-instance executable share, and the
// rules around it that need no platform: the instance name, the encoding of a
// second instance's arguments, and the second instance's wait for its answer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The named block (page-file backed, 2092 bytes, little-endian). Written by the
// first instance (ids) and by each second instance (arguments).
struct InstanceBlock {
    uint32_t listenerThreadId;  // offset 0: where requests are posted
    uint32_t processId;         // offset 4: the first instance
    uint32_t messageId;         // offset 8: the registered request and reply message
    uint16_t arguments[1040];   // offset 12: the argument area
};
static_assert(sizeof(InstanceBlock) == 2092, "the shared block is 2092 bytes");
static_assert(offsetof(InstanceBlock, arguments) == 12, "the argument area starts at offset 12");

namespace argument_block {
// A writer uses (and first clears) this many bytes of the area.
constexpr size_t kWriteBytes = 1040;
// A reader looks at the units below this block offset.
constexpr size_t kReadEndOffset = 2090;
constexpr size_t kReadUnits = (kReadEndOffset - offsetof(InstanceBlock, arguments)) / 2;
}  // namespace argument_block

// The name of the block and of the request message: the module path with every
// '\' replaced by '_' (D:\Apps\Tool\tool.exe -> D:_Apps_Tool_tool.exe).
std::wstring instanceNameFor(const std::wstring& modulePath);
// The name an executable uses when another one has its instance name (D:\x_y\a.exe
// and D:\x\y\a.exe): the name, '|' (which no path holds) and eight hexadecimal
// digits of a hash (FNV-1a over the UTF-16 units) of its case-folded path.
std::wstring qualifiedInstanceName(const std::wstring& name, const std::wstring& foldedPath);
// The bytes a writer needs for `arguments`: the sum of (2 x length + 2), plus 2.
size_t encodedArgumentBytes(const std::vector<std::wstring>& arguments);

// Writes the arguments into the area as UTF-16 units, each ended by a 0 unit,
// with one more 0 unit after the last; clears the first 1040 bytes first. Gives
// false, and leaves the area untouched, when they need more than 1040 bytes.
bool encodeArguments(const std::vector<std::wstring>& arguments, uint16_t (&area)[1040]);
// Reads the argument list from the area, looking at no unit at or beyond block
// offset 2090. A string not ended by a 0 unit there is dropped; two 0 units in a
// row end the list (so an empty argument ends it, and an empty area gives one
// empty string).
std::vector<std::wstring> decodeArguments(const uint16_t (&area)[1040]);

// The second instance's wait for its answer. `Source` provides:
//   bool takeReply(int& result)   removes one message from the thread's queue when
//                                 there is one; true (with its result) when it was
//                                 the reply, false otherwise (others are dropped)
//   FirstState firstState(int& exitCode)   whether the first instance still runs;
//                                 when it has ended, its exit code, when known
//   void sleep(unsigned ms)
enum class FirstState { Running, Ended, Unknown };

// What a second instance ends with when the first instance has ended but its
// exit code cannot be read: it cannot tell what became of its request.
constexpr int kUnknownFirstInstanceResult = -1;
constexpr unsigned kAnswerPollMs = 100;

template <typename Source>
int waitForAnswer(Source& source) {
    for (;;) {
        int result = 0;
        if (source.takeReply(result)) return result;
        int exitCode = 0;
        switch (source.firstState(exitCode)) {
            case FirstState::Running: source.sleep(kAnswerPollMs); break;
            case FirstState::Ended: return exitCode;
            case FirstState::Unknown: return kUnknownFirstInstanceResult;
        }
    }
}
