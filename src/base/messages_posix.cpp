#include <cerrno>

#include "base/messages.h"

Failure failureWithLastError(unsigned messageId, std::initializer_list<MessageArg> inserts) {
    const int error = errno;
    Failure failure(messageId, inserts);
    failure.inserts.push_back(MessageArg(error));
    return failure;
}
