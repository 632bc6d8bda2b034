// The service host's status record and the Java program's arguments in a service start.
#include <gtest/gtest.h>

#include <cstring>

#include "modes/service_status.h"

namespace {

using Strings = std::vector<std::wstring>;

TEST(ServiceStatus, RunningThenStopPendingThenStopped) {
    ServiceStatusRecord s = runningStatus();
    EXPECT_EQ(s.serviceType, 0x10u);
    EXPECT_EQ(s.currentState, 4u);
    EXPECT_EQ(s.controlsAccepted, 5u);
    EXPECT_EQ(s.win32ExitCode + s.serviceSpecificExitCode + s.checkPoint + s.waitHint, 0u);

    // Interrogate (4) and unknown controls leave the record to be reported as it is.
    ServiceStatusRecord before = s;
    EXPECT_FALSE(applyControl(s, 4));
    EXPECT_FALSE(applyControl(s, 0x80));
    EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0);

    s.checkPoint = 9;
    s.win32ExitCode = 1066;
    EXPECT_TRUE(applyControl(s, 1));
    EXPECT_EQ(s.currentState, 3u);
    EXPECT_EQ(s.waitHint, 3000u);
    EXPECT_EQ(s.checkPoint, 0u);
    EXPECT_EQ(s.win32ExitCode, 0u);
    EXPECT_EQ(s.controlsAccepted, 5u);
    // A second stop, and shutdown, start another stop thread.
    EXPECT_TRUE(applyControl(s, 1));
    EXPECT_TRUE(applyControl(s, 5));
    EXPECT_EQ(s.currentState, 3u);

    // The end (the run step's result or the Java program's exit): 0 is a clean
    // stop; any other code is the service's own error, which recovery acts on.
    ServiceStatusRecord failed = s;
    applyEnd(failed, 3);
    EXPECT_EQ(failed.currentState, 1u);
    EXPECT_EQ(failed.win32ExitCode, 1066u);
    EXPECT_EQ(failed.serviceSpecificExitCode, 3u);
    ServiceStatusRecord startFailed;
    applyEnd(startFailed, -1);
    EXPECT_EQ(startFailed.win32ExitCode, 1066u);
    EXPECT_EQ(startFailed.serviceSpecificExitCode, 0xFFFFFFFFu);
    applyEnd(s, 0);
    EXPECT_EQ(s.currentState, 1u);
    EXPECT_EQ(s.win32ExitCode, 0u);
    EXPECT_EQ(s.serviceSpecificExitCode, 0u);
    EXPECT_EQ(s.waitHint, 3000u);
}

TEST(ServiceStatus, StopTimeoutAdvancesTheCheckPointAndEndsWithItsOwnCode) {
    ServiceStatusRecord s = runningStatus();
    EXPECT_TRUE(applyControl(s, 1, 5000));
    EXPECT_EQ(s.currentState, 3u);
    EXPECT_EQ(s.checkPoint, 0u);
    EXPECT_EQ(s.waitHint, 2000u);  // the next report within a second, and one more for a late one
    advanceStopPending(s, 4000);
    EXPECT_EQ(s.checkPoint, 1u);
    EXPECT_EQ(s.waitHint, 2000u);
    // A second stop goes on counting down.
    EXPECT_TRUE(applyControl(s, 5, 5000));
    EXPECT_EQ(s.checkPoint, 1u);
    advanceStopPending(s, 300);
    EXPECT_EQ(s.checkPoint, 2u);
    EXPECT_EQ(s.waitHint, 1300u);
    applyEnd(s, service_codes::kStopTimeoutCode);
    EXPECT_EQ(s.currentState, 1u);
    EXPECT_EQ(s.win32ExitCode, 1066u);
    EXPECT_EQ(s.serviceSpecificExitCode, 1460u);
}

TEST(ServiceArguments, ProcessArgumentsThenServiceNameThenStartParameters) {
    const wchar_t* vector[] = {L"Svc", L"a", L"b"};
    Strings args{L"-x"};
    appendServiceArguments(args, 3, vector, false);
    EXPECT_EQ(args, (Strings{L"-x", L"Svc", L"a", L"b"}));

    Strings omitted{L"-x"};
    appendServiceArguments(omitted, 3, vector, true);
    EXPECT_EQ(omitted, (Strings{L"-x", L"a", L"b"}));

    Strings nameOnly;
    appendServiceArguments(nameOnly, 1, vector, false);
    EXPECT_EQ(nameOnly, Strings{L"Svc"});
    Strings nothing{L"p"};
    appendServiceArguments(nothing, 1, vector, true);
    appendServiceArguments(nothing, 0, vector, false);
    EXPECT_EQ(nothing, Strings{L"p"});
}

}  // namespace
