// tests/win/WatcherThread.cpp: starts GoogleTest's watcher of the main thread before the first test and
// waits until it runs.
//
// On Windows, GoogleTest starts a thread that watches the main thread at the main thread's first skip,
// failure or trace. When that comes in the last test, the process ends while the thread is still starting,
// and Wine 8.0's 32-bit loader then dies of SIGSEGV (about one exit in fifty under load).
#include <windows.h>

#include <gtest/gtest.h>

namespace {

HANDLE threadStarted = CreateEventW(nullptr, TRUE, FALSE, nullptr);

// The loader calls the image's TLS callbacks in each new thread once the thread is set up, before its
// start routine.
void NTAPI OnThreadEvent(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_THREAD_ATTACH)
        SetEvent(threadStarted);
}

[[gnu::section(".CRT$XLW"), gnu::used]] PIMAGE_TLS_CALLBACK threadCallback = OnThreadEvent;

class WatcherThread : public ::testing::Environment {
public:
    void SetUp() override
    {
        ResetEvent(threadStarted);
        {
            SCOPED_TRACE("the main thread's first trace starts its watcher");
        }
        ASSERT_EQ(WaitForSingleObject(threadStarted, 30000), WAIT_OBJECT_0) << "GoogleTest's watcher did not start";
    }
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new WatcherThread);

}  // namespace
