// tests/host/HoverAllocationTest.cpp: moves inside the highlighted zone allocate nothing and draw nothing.
// Replaces the global operator new and delete with counting versions, so it is built as an executable of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/Hover.h"

namespace {

std::atomic<long> gAllocations{0};

void* Allocate(std::size_t size)
{
    ++gAllocations;
    for (;;) {
        if (void* p = std::malloc(size ? size : 1))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

class CountingCanvas : public HoverCanvas {
public:
    long calls = 0;
    void DrawSavedPiece(const Rect&) override { ++calls; }
    void DrawHighlight(const Rect&) override { ++calls; }
    void SaveBackground(const Rect&) override { ++calls; }
};

TEST(HoverAllocation, TenThousandMovesInsideEachZoneAllocateAndDrawNothing)
{
    constexpr int kMoves = 10000;
    for (const MenuZone& zone : kMenuZones) {
        const Rect& r = zone.rect;
        SCOPED_TRACE(testing::Message() << "zone " << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom);
        HoverTracker tracker;
        CountingCanvas canvas;
        tracker.SetupImageMouseMove(r.Left, r.Top, canvas);
        ASSERT_EQ(tracker.HoverRect(), r);
        ASSERT_EQ(canvas.calls, 2);  // highlight drawn, rest piece saved

        // Walks every point of the inclusive zone, corners and edges included, until kMoves are made.
        const int width = r.Right - r.Left + 1;
        const int height = r.Bottom - r.Top + 1;
        canvas.calls = 0;
        const long before = gAllocations.load();
        for (int i = 0; i < kMoves; ++i)
            tracker.SetupImageMouseMove(r.Left + i % width, r.Top + (i / width) % height, canvas);
        const long allocations = gAllocations.load() - before;

        EXPECT_EQ(allocations, 0);
        EXPECT_EQ(canvas.calls, 0);
        EXPECT_EQ(tracker.HoverRect(), r);
    }
}

TEST(HoverAllocation, CounterSeesAllocations)
{
    // Guards the test above against a counter that never counts.
    const long before = gAllocations.load();
    int* volatile p = new int(1);
    delete p;
    EXPECT_EQ(gAllocations.load() - before, 1);
}

}  // namespace
