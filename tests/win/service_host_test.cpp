// The service host's status reports when a stop control meets the end of the
// run step, an interleaving that a whole service cannot be made to show: the
// reports go to a test reporter that holds the stop pending report on its way.
#include <windows.h>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "modes/service.h"

namespace {

TEST(ServiceHostReports, AStopAsTheRunStepEndsLeavesStoppedAsTheLastReport) {
    HANDLE runMayEnd = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE running = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE stopPendingOnItsWay = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE stopPendingMayArrive = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE stoppedSent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::mutex lock;
    std::vector<DWORD> arrived;  // states, in the order their reports reached the "manager"

    ServiceHost host(
        false, 0,
        [&](const std::vector<std::wstring>&) {
            WaitForSingleObject(runMayEnd, 20000);
            return 0;
        },
        [] {});
    host.setStatusReporter([&](const ServiceStatusRecord& record) {
        if (record.currentState == SERVICE_STOP_PENDING) {
            SetEvent(stopPendingOnItsWay);
            WaitForSingleObject(stopPendingMayArrive, 20000);
        }
        if (record.currentState == SERVICE_STOPPED) SetEvent(stoppedSent);
        {
            std::lock_guard<std::mutex> guard(lock);
            arrived.push_back(record.currentState);
        }
        if (record.currentState == SERVICE_RUNNING) SetEvent(running);
        return true;
    });

    std::thread service([&host] {
        wchar_t name[] = L"QzRace";
        wchar_t* vector[] = {name};
        host.runService(1, vector);
    });
    ASSERT_EQ(WaitForSingleObject(running, 20000), WAIT_OBJECT_0);
    std::thread control([&host] { host.control(SERVICE_CONTROL_STOP); });
    ASSERT_EQ(WaitForSingleObject(stopPendingOnItsWay, 20000), WAIT_OBJECT_0);
    // The Java main returns while the stop pending report is on its way: the
    // final report waits for it instead of overtaking it.
    SetEvent(runMayEnd);
    EXPECT_EQ(WaitForSingleObject(stoppedSent, 500), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(stopPendingMayArrive);
    control.join();
    service.join();

    EXPECT_EQ(arrived, (std::vector<DWORD>{SERVICE_RUNNING, SERVICE_STOP_PENDING, SERVICE_STOPPED}));
    // A control after the end changes and reports nothing.
    host.control(SERVICE_CONTROL_STOP);
    EXPECT_EQ(arrived.size(), 3u);
    for (HANDLE h : {runMayEnd, running, stopPendingOnItsWay, stopPendingMayArrive, stoppedSent}) CloseHandle(h);
}

}  // namespace
